#include "cli/CliPrompt.h"

#include "platform/CodePage.h"

#include <iostream>
#include <string>
#include <unistd.h>

namespace quorvex::cli {
namespace {

// Message boxes break lines with CR LF; a terminal wants LF.
std::string TerminalText(std::u16string_view text) {
    std::string bytes = ToUtf8(text);
    std::string result;
    result.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
        result.push_back(bytes[i]);
    }
    return result;
}

}  // namespace

void WriteUtf8(std::FILE* stream, std::u16string_view text) {
    const std::string bytes = ToUtf8(text);
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
    std::fflush(stream);
}

void CliPrompt::notify(std::u16string_view text) {
    std::cerr << TerminalText(text) << '\n';
}

bool CliPrompt::askYesNo(std::u16string_view text) {
    if (m_answer) {
        std::cerr << TerminalText(text) << (*m_answer ? " yes\n" : " no\n");
        return *m_answer;
    }
    if (::isatty(STDIN_FILENO) == 0) {
        std::cerr << TerminalText(text) << " no (not asked: standard input is not a terminal)\n";
        return false;
    }
    std::cerr << TerminalText(text) << " [y/N] " << std::flush;
    std::string reply;
    if (!std::getline(std::cin, reply)) return false;
    return !reply.empty() && (reply[0] == 'y' || reply[0] == 'Y');
}

}  // namespace quorvex::cli
