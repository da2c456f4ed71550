#include "cli/CliCommands.h"

#include "commands/Commands.h"
#include "platform/CodePage.h"
#include "job/Messages.h"

#include <iostream>
#include <string>
#include <unistd.h>

namespace quorvex::cli {
namespace {

// Message boxes break lines with CR LF; a terminal wants LF.
std::string TerminalText(std::u16string_view text) {
    return ToUtf8(RewriteLineEnds(text, u"\n"));
}

}  // namespace

void WriteUtf8(std::FILE* stream, std::u16string_view text) {
    const std::string bytes = ToUtf8(text);
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
    std::fflush(stream);
}

int Report(const CommandResult& result) {
    for (const Message& message : result.messages) std::cerr << TerminalText(message.text) << '\n';
    if (result.output) WriteUtf8(stdout, *result.output);
    return static_cast<int>(result.exit);
}

void TextOptions::AddTo(CLI::App& command) {
    command.add_option("--table", table, "Character table file");
    command.add_option("--read-mode", readMode, "How the table and script files are decoded: ascii, utf7 or utf8")
        ->default_str("utf8");
    command.add_option("--code-page", codePage, "The code page of the ascii read mode (any ICU converter name)")
        ->default_str("windows-1252");
}

TextDecoding TextOptions::Decoding() const {
    TextDecoding decoding;
    const std::optional<ReadMode> mode = ReadModeFromName(readMode);
    if (!mode) throw UsageError(ToUtf8(messages::BadReadMode(readMode)));
    decoding.mode = *mode;
    if (!IsKnownCodePage(codePage)) throw UsageError(ToUtf8(messages::UnknownCodePage(codePage)));
    decoding.systemCodePage = codePage;
    return decoding;
}

bool CliPrompt::askYesNo(std::u16string_view text) {
    // The question comes after every string while the text stays over; the
    // first says where it began and the final message where it ended.
    if (m_answer) {
        if (!m_told) std::cerr << TerminalText(text) << (*m_answer ? " yes\n" : " no\n");
        m_told = true;
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
