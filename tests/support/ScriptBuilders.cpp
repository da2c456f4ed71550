#include "ScriptBuilders.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

namespace quorvex::test {

JobSettings Job(std::int32_t tableStart, std::int32_t tableEnd, std::int32_t textStart, std::int32_t textEnd,
                std::int32_t xOffset, std::int32_t huffTable) {
    JobSettings job;
    job.tableStart = tableStart;
    job.tableEnd = tableEnd;
    job.textStart = textStart;
    job.textEnd = textEnd;
    job.xOffset = xOffset;
    job.huffTable = huffTable;
    return job;
}

std::u16string Lines(std::initializer_list<std::u16string_view> lines) {
    std::u16string body;
    for (const auto line : lines) {
        body += line;
        body += u"\r\n";
    }
    return body;
}

std::u16string Script(const JobSettings& job, TableType tableType, TextType textType, std::u16string_view body) {
    return WriteScriptHeader(job, tableType, textType) + std::u16string(body);
}

AsUnprivilegedUser::AsUnprivilegedUser() : m_wasRoot(::geteuid() == 0) {
    if (m_wasRoot && ::seteuid(65534) != 0) ADD_FAILURE() << "cannot drop privileges";
}

AsUnprivilegedUser::~AsUnprivilegedUser() {
    if (m_wasRoot && ::seteuid(0) != 0) std::abort();
}

}  // namespace quorvex::test
