// quorvex-cli: the command line of Quorvex, for build scripts.
#include "chartable/CharTable.h"
#include "cli/CliPrompt.h"
#include "insert/RedoScript.h"
#include "insert/InsertFile.h"
#include "insert/TestText.h"
#include "job/CTextEngine.h"
#include "job/Go.h"
#include "job/Messages.h"
#include "platform/CodePage.h"
#include "platform/FileError.h"
#include "platform/Files.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>

namespace quorvex::cli {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitOver = 3;

// Thrown for option values CLI11 cannot check by itself.
struct UsageError {
    std::string message;
};

// Options every command that reads text files shares.
struct TextOptions {
    std::string table;
    std::string readMode = "utf8";
    std::string codePage = "windows-1252";

    [[nodiscard]] TextDecoding Decoding() const {
        TextDecoding decoding;
        std::string mode = readMode;
        std::transform(mode.begin(), mode.end(), mode.begin(), [](unsigned char c) { return std::tolower(c); });
        if (mode == "ascii") decoding.mode = ReadMode::Ascii;
        else if (mode == "utf7") decoding.mode = ReadMode::UTF7;
        else if (mode == "utf8") decoding.mode = ReadMode::UTF8;
        else throw UsageError{"--read-mode must be ascii, utf7 or utf8, not \"" + readMode + "\"."};
        if (!IsKnownCodePage(codePage)) throw UsageError{"The code page \"" + codePage + "\" is not known."};
        decoding.systemCodePage = codePage;
        return decoding;
    }

    [[nodiscard]] std::optional<CharTable> LoadTable() const {
        if (table.empty()) return std::nullopt;
        return CharTable::LoadFile(table, Decoding());
    }
};

void AddTextOptions(CLI::App& command, TextOptions& options) {
    command.add_option("--table", options.table, "Character table file");
    command.add_option("--read-mode", options.readMode, "How the table and script files are decoded: ascii, utf7 or utf8")
        ->default_str("utf8");
    command.add_option("--code-page", options.codePage, "The code page of the ascii read mode (any ICU converter name)")
        ->default_str("windows-1252");
}

struct ExtractOptions {
    std::string rom;
    TextOptions text;
    bool dec = false;
    std::string tableType = "0";
    std::string textType = "0";
    std::string tableStart, tableEnd, textStart, textEnd, xOffset, huffTable;
    std::string output;
};

// The edits show typed letters as capitals; options are read the same way.
std::u16string AsTyped(const std::string& text) {
    std::string upper = text;
    std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
    return FromUtf8(upper);
}

const CharTable* Pointer(const std::optional<CharTable>& table) {
    return table ? &*table : nullptr;
}

int RunExtract(const ExtractOptions& options) {
    const auto tableType = ParseTableType(options.tableType);
    if (!tableType) throw UsageError{"Unknown table type \"" + options.tableType + "\"."};
    const auto textType = ParseTextType(options.textType);
    if (!textType) throw UsageError{"Unknown text type \"" + options.textType + "\"."};
    const JobFieldTexts fields{AsTyped(options.tableStart), AsTyped(options.tableEnd), AsTyped(options.textStart),
                               AsTyped(options.textEnd),    AsTyped(options.xOffset),  AsTyped(options.huffTable)};
    const auto table = options.text.LoadTable();

    CliPrompt prompt;
    CTextEngine engine;
    engine.settings = ReadJobFields(fields, !options.dec);
    const auto script = engine.Extract(options.rom, Pointer(table), *tableType, *textType, prompt);
    if (!script) return kExitFailed;
    if (options.output.empty()) {
        WriteUtf8(stdout, *script);
    } else {
        const std::string bytes = ToUtf8(*script);
        SaveFileAtomically(options.output,
                           std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    }
    return kExitOk;
}

struct InsertOptions {
    std::string rom;
    TextOptions text;
    bool yes = false;
    bool no = false;
    std::string script;
};

int RunInsert(const InsertOptions& options) {
    const auto table = options.text.LoadTable();
    const std::u16string script = LoadInsertFile(options.script, options.text.Decoding());
    std::optional<bool> answer;
    if (options.yes) answer = true;
    if (options.no) answer = false;
    CliPrompt prompt(answer);
    CTextEngine engine;
    engine.settings.longestTextLength = table ? table->longestTextLength() : 0;
    return engine.Insert(options.rom, Pointer(table), script, prompt) ? kExitOk : kExitFailed;
}

int ExitFor(const CheckReport& report) {
    switch (report.verdict) {
    case CheckReport::Verdict::Fits:
    case CheckReport::Verdict::Under: return kExitOk;
    case CheckReport::Verdict::Over: return kExitOver;
    case CheckReport::Verdict::BadFile:
    case CheckReport::Verdict::Stopped: break;
    }
    return kExitFailed;
}

struct CheckOptions {
    std::string rom;
    TextOptions text;
    std::string script;
};

int RunCheck(const CheckOptions& options) {
    const auto table = options.text.LoadTable();
    const std::u16string script = LoadInsertFile(options.script, options.text.Decoding());
    CTextEngine engine;
    engine.settings.longestTextLength = table ? table->longestTextLength() : 0;
    const std::filesystem::path rom = options.rom;
    const CheckReport report = engine.CheckInsert(Pointer(table), script, options.rom.empty() ? nullptr : &rom);
    WriteUtf8(stdout, report.text);
    return ExitFor(report);
}

struct TestOptions {
    TextOptions text;
    std::string input;
};

int RunTestCommand(const TestOptions& options) {
    const auto table = options.text.LoadTable();
    CliPrompt prompt;
    const auto report = RunTest(FromUtf8(options.input), Pointer(table), prompt);
    if (!report) return kExitFailed;
    WriteUtf8(stdout, report->text);
    return ExitFor(*report);
}

struct RedoOptions {
    std::string rom;
    TextOptions text;
    std::string script;
};

int RunRedo(const RedoOptions& options) {
    const auto table = options.text.LoadTable();
    CliPrompt prompt;
    const RedoResult result = RedoScript(options.script, options.rom, Pointer(table), options.text.Decoding(), prompt);
    if (result.outcome != RedoResult::Outcome::Saved) return kExitFailed;
    WriteUtf8(stdout, result.script);
    return kExitOk;
}

int Main(int argc, char** argv) {
    CLI::App app{"Quorvex: extracts the text of a cartridge ROM through its pointer table into an editable "
                 "script, and inserts the edited script back.",
                 "quorvex-cli"};
    app.set_version_flag("--version", "quorvex-cli 1.3.0");
    app.require_subcommand(1);

    ExtractOptions extract;
    CLI::App* extractCommand = app.add_subcommand("extract", "Extract a script from a ROM (written to stdout or -o)");
    extractCommand->add_option("--rom", extract.rom, "ROM image")->required();
    AddTextOptions(*extractCommand, extract.text);
    extractCommand->add_flag("--dec", extract.dec, "Read the numbers as decimal (%i) instead of hexadecimal (%X)");
    extractCommand->add_option("--table-type", extract.tableType, "Pointer table layout: 0-8 or its name")->default_str("0");
    extractCommand->add_option("--text-type", extract.textType, "Text encoding: 0-2 or its name")->default_str("0");
    extractCommand->add_option("--table-start", extract.tableStart, "Table Start Position");
    extractCommand->add_option("--table-end", extract.tableEnd, "Table End Position");
    extractCommand->add_option("--text-start", extract.textStart, "Text Start Position");
    extractCommand->add_option("--text-end", extract.textEnd, "Text End Position");
    extractCommand->add_option("--x-offset", extract.xOffset, "X000 Offset");
    extractCommand->add_option("--huff-table,--ed-cmnd", extract.huffTable, "HuffTable offset, or the End Dialog Command");
    extractCommand->add_option("-o,--output", extract.output, "Write the script to this file instead of stdout");

    InsertOptions insert;
    CLI::App* insertCommand = app.add_subcommand("insert", "Insert an edited script into the ROM");
    insertCommand->add_option("--rom", insert.rom, "ROM image (replaced only when the whole script went in)")->required();
    AddTextOptions(*insertCommand, insert.text);
    CLI::Option* yes = insertCommand->add_flag("--yes", insert.yes, "Answer Yes when the text runs over the limit");
    CLI::Option* no = insertCommand->add_flag("--no", insert.no, "Answer No when the text runs over the limit");
    yes->excludes(no);
    insertCommand->add_option("SCRIPT", insert.script, "The edited script")->required();

    CheckOptions check;
    CLI::App* checkCommand = app.add_subcommand("check", "Measure an edited script against its text area");
    checkCommand->add_option("--rom", check.rom, "ROM image (needed to measure Huffman v2 text)");
    AddTextOptions(*checkCommand, check.text);
    checkCommand->add_option("SCRIPT", check.script, "The edited script")->required();

    TestOptions test;
    CLI::App* testCommand = app.add_subcommand("test", "Measure one line of text through the table");
    AddTextOptions(*testCommand, test.text);
    testCommand->add_option("TEXT", test.input, "The text (UTF-8)")->required();

    RedoOptions redo;
    CLI::App* redoCommand = app.add_subcommand("redo", "Re-extract a script from its header and save it over the file");
    redoCommand->add_option("--rom", redo.rom, "ROM image")->required();
    AddTextOptions(*redoCommand, redo.text);
    redoCommand->add_option("SCRIPT", redo.script, "The script to refresh")->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::CallForAllHelp& help) {
        return app.exit(help);
    } catch (const CLI::CallForVersion& version) {
        return app.exit(version);
    } catch (const CLI::ParseError& error) {
        app.exit(error);
        return kExitUsage;
    }

    try {
        if (*extractCommand) return RunExtract(extract);
        if (*insertCommand) return RunInsert(insert);
        if (*checkCommand) return RunCheck(check);
        if (*testCommand) return RunTestCommand(test);
        if (*redoCommand) return RunRedo(redo);
    } catch (const UsageError& error) {
        std::cerr << error.message << '\n';
        return kExitUsage;
    } catch (const FileError& error) {
        WriteUtf8(stderr, messages::FileErrorMessage(error.path(), error.reason()) + u"\n");
        return kExitFailed;
    }
    return kExitUsage;
}

}  // namespace
}  // namespace quorvex::cli

int main(int argc, char** argv) {
    return quorvex::cli::Main(argc, argv);
}
