#include "ScriptBuilders.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

namespace quorvex::test {

JobSettings Job(std::int32_t tableStart, std::int32_t tableEnd, std::int32_t textStart, std::int32_t textEnd,
                std::int32_t xOffset, std::int32_t huffTable, std::int32_t commandLength) {
    JobSettings job;
    job.tableStart = tableStart;
    job.tableEnd = tableEnd;
    job.textStart = textStart;
    job.textEnd = textEnd;
    job.xOffset = xOffset;
    job.huffTable = huffTable;
    job.commandLength = commandLength;
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

std::u16string Body(std::u16string_view script) {
    constexpr std::u16string_view kDash = u"-----------------\r\n";
    const auto at = script.find(kDash);
    return at == std::u16string_view::npos ? u"<no body>" : std::u16string(script.substr(at + kDash.size()));
}

std::vector<std::u16string> SplitLines(std::u16string_view text) {
    std::vector<std::u16string> lines;
    std::size_t at = 0;
    for (std::size_t cr; (cr = text.find(u"\r\n", at)) != std::u16string_view::npos; at = cr + 2)
        lines.emplace_back(text.substr(at, cr - at));
    return lines;
}

AsUnprivilegedUser::AsUnprivilegedUser() : m_wasRoot(::geteuid() == 0) {
    if (m_wasRoot && ::seteuid(65534) != 0) ADD_FAILURE() << "cannot drop privileges";
}

AsUnprivilegedUser::~AsUnprivilegedUser() {
    if (m_wasRoot && ::seteuid(0) != 0) std::abort();
}

}  // namespace quorvex::test
