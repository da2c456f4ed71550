#include "ScriptBuilders.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

namespace quorvex::test {

std::u16string Lines(std::initializer_list<std::u16string_view> lines) {
    std::u16string body;
    for (const auto line : lines) (body += line) += u"\r\n";
    return body;
}

std::u16string Body(std::u16string_view script) {
    const auto at = script.find(kDashLine);
    return at == std::u16string_view::npos ? u"<no body>" : std::u16string(script.substr(at + kDashLine.size()));
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
