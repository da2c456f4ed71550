#pragma once
// The pieces every subcommand of quorvex-cli shares, and the groups of
// subcommands that main() adds.
#include "commands/CommandResult.h"
#include "patch/Checksum.h"
#include "platform/CodePage.h"
#include "platform/Prompt.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace quorvex::cli {

// A subcommand and what runs when it was chosen; the function returns the exit status.
using CommandList = std::vector<std::pair<CLI::App*, std::function<int()>>>;

// extract, insert, check, test, redo
void AddEngineCommands(CLI::App& app, CommandList& commands);
// patch, apply, checksum
void AddPatchCommands(CLI::App& app, CommandList& commands);
// build
void AddBuildCommand(CLI::App& app, CommandList& commands);
// suggest
void AddFitCommands(CLI::App& app, CommandList& commands);
// relative-search, find-pointers
void AddSearchCommands(CLI::App& app, CommandList& commands);

// An option value CLI11 cannot check by itself: exit status 2 with the message.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Shows a command's result: messages on stderr, one per line; the output on
// stdout. Returns the exit status.
int Report(const CommandResult& result);

// Writes wide text to a stream as UTF-8, exactly (CR LF kept).
void WriteUtf8(std::FILE* stream, std::u16string_view text);

// A checksum system named on the command line: auto, snes, gb, gba or md.
// Throws UsageError for any other name.
[[nodiscard]] ChecksumChoice ChecksumOption(const std::string& name);

// Options every command that reads text files shares.
struct TextOptions {
    std::string table;
    std::string readMode = "utf8";
    std::string codePage = "windows-1252";

    void AddTo(CLI::App& command);
    // Throws UsageError for an unknown read mode or code page.
    [[nodiscard]] TextDecoding Decoding() const;
};

// Asks on the terminal when standard input is one; --yes / --no answer
// instead, and only the first question they answer is printed.
class CliPrompt : public Prompt {
public:
    explicit CliPrompt(std::optional<bool> answer = std::nullopt) : m_answer(answer) {}
    bool askYesNo(std::u16string_view text) override;

private:
    std::optional<bool> m_answer;
    bool m_told = false;
};

}  // namespace quorvex::cli
