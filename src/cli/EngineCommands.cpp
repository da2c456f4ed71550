#include "cli/CliCommands.h"

#include "commands/Commands.h"
#include "job/Messages.h"

#include <algorithm>
#include <cctype>
#include <memory>

namespace quorvex::cli {
namespace {

// The fields show typed letters as capitals; options are read the same way.
std::u16string AsTyped(const std::string& text) {
    std::string upper = text;
    std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
    return FromUtf8(upper);
}

struct ExtractOptions {
    std::string rom;
    TextOptions text;
    bool dec = false;
    std::string tableType = "0";
    std::string textType = "0";
    std::string tableStart, tableEnd, textStart, textEnd, xOffset, huffTable, nullPointer;
    std::string map = "none";
    std::string output;
};

int RunExtract(const ExtractOptions& options) {
    const auto tableType = ParseTableType(options.tableType);
    if (!tableType) throw UsageError(ToUtf8(messages::UnknownTableType(options.tableType)));
    const auto textType = ParseTextType(options.textType);
    if (!textType) throw UsageError(ToUtf8(messages::UnknownTextType(options.textType)));
    const auto map = ParseMapName(options.map);
    if (!map) throw UsageError(ToUtf8(messages::UnknownMap(options.map)));
    const JobFieldTexts fields{AsTyped(options.tableStart), AsTyped(options.tableEnd), AsTyped(options.textStart),
                               AsTyped(options.textEnd),    AsTyped(options.xOffset),  AsTyped(options.huffTable),
                               AsTyped(options.nullPointer)};
    const TextDecoding decoding = options.text.Decoding();
    JobSettings job = ReadJobFields(fields, !options.dec);
    job.map = *map;
    return Report(
        commands::Extract({options.rom, {options.text.table}, decoding, job, *tableType, *textType, options.output}));
}

// A script named on the command line, with the table it is read through.
struct ScriptOptions {
    std::string rom;
    TextOptions text;
    std::string script;
    bool shortest = false;  // insert and check
};

void AddShortestFlag(CLI::App& command, bool& shortest) {
    command.add_flag("--shortest", shortest, "Encode each line in the fewest bytes the table allows, not by longest match");
}

// The game's text box, for check and test.
struct BoxOptions {
    int maxWidth = 0;  // 0: no box
    std::vector<std::string> breaks;

    void AddTo(CLI::App& command) {
        command.add_option("--max-width", maxWidth, "Report the pieces of lines wider than N characters (decimal)")
            ->check(CLI::PositiveNumber);
        command.add_option("--break", breaks, "A table text that starts a new line in the box (repeatable)")
            ->allow_extra_args(false);
    }
    [[nodiscard]] std::optional<TextBox> Box() const {
        if (maxWidth == 0) {
            if (!breaks.empty()) throw UsageError(ToUtf8(messages::kBreakNeedsMaxWidth));
            return std::nullopt;
        }
        TextBox box{maxWidth, {}};
        for (const std::string& text : breaks) box.breaks.push_back(FromUtf8(text));
        return box;
    }
};

struct CheckOptions : ScriptOptions {
    bool lines = false;
    BoxOptions box;
};

struct InsertOptions : ScriptOptions {
    bool yes = false;
    bool no = false;
    std::string output;
    std::string patch;
    std::string fixChecksum;
};

int RunInsert(const InsertOptions& options) {
    commands::InsertRequest request;
    request.rom = options.rom;
    request.table.path = options.text.table;
    request.script.path = options.script;
    request.decoding = options.text.Decoding();
    request.shortest = options.shortest;
    request.output = options.output;
    request.patch = options.patch;
    if (!options.fixChecksum.empty()) request.checksum = ChecksumOption(options.fixChecksum);
    std::optional<bool> answer;
    if (options.yes) answer = true;
    if (options.no) answer = false;
    CliPrompt prompt(answer);
    return Report(commands::Insert(request, prompt));
}

int RunCheck(const CheckOptions& options) {
    const TextDecoding decoding = options.text.Decoding();
    const std::optional<TextBox> box = options.box.Box();
    return Report(commands::CheckInsert(
        {options.rom, {options.text.table}, {options.script}, decoding, options.shortest, options.lines, box}));
}

int RunRedo(const ScriptOptions& options) {
    const TextDecoding decoding = options.text.Decoding();
    return Report(commands::RedoScript({options.script, options.rom, {options.text.table}, decoding}).result);
}

struct TestOptions {
    TextOptions text;
    std::string input;
    bool shortest = false;
    BoxOptions box;
};

int RunTest(const TestOptions& options) {
    const TextDecoding decoding = options.text.Decoding();
    const std::optional<TextBox> box = options.box.Box();
    return Report(commands::Test({FromUtf8(options.input), {options.text.table}, decoding, options.shortest, box}));
}

void AddExtract(CLI::App& app, CommandList& commands) {
    auto options = std::make_shared<ExtractOptions>();
    CLI::App* command = app.add_subcommand("extract", "Extract a script from a ROM (written to stdout or -o)");
    command->add_option("--rom", options->rom, "ROM image")->required();
    options->text.AddTo(*command);
    command->add_flag("--dec", options->dec, "Read the numbers as decimal (%i) instead of hexadecimal (%X)");
    command->add_option("--table-type", options->tableType, "Pointer table layout: 0-8 or its name")->default_str("0");
    command->add_option("--text-type", options->textType, "Text encoding: 0-2 or its name")->default_str("0");
    command->add_option("--table-start", options->tableStart, "Table Start Position");
    command->add_option("--table-end", options->tableEnd, "Table End Position");
    command->add_option("--text-start", options->textStart, "Text Start Position");
    command->add_option("--text-end", options->textEnd, "Text End Position");
    command->add_option("--x-offset", options->xOffset, "X000 Offset");
    command->add_option("--map", options->map, "Address map in place of the X000 Offset: lorom, hirom, exhirom, gb, nes")
        ->default_str("none");
    command->add_option("--huff-table,--ed-cmnd", options->huffTable, "HuffTable offset, or the End Dialog Command");
    command->add_option("--null-pointer", options->nullPointer,
                        "The value (before the X000 Offset) of a pointer entry that points at no text");
    command->add_option("-o,--output", options->output, "Write the script to this file instead of stdout");
    commands.emplace_back(command, [options] { return RunExtract(*options); });
}

void AddScriptOptions(CLI::App& command, ScriptOptions& options, const std::string& romHelp, bool romRequired) {
    CLI::Option* rom = command.add_option("--rom", options.rom, romHelp);
    if (romRequired) rom->required();
    options.text.AddTo(command);
}

}  // namespace

void AddEngineCommands(CLI::App& app, CommandList& commands) {
    AddExtract(app, commands);

    auto insert = std::make_shared<InsertOptions>();
    CLI::App* insertCommand = app.add_subcommand("insert", "Insert an edited script into the ROM");
    AddScriptOptions(*insertCommand, *insert, "ROM image (replaced only when the whole script went in)", true);
    CLI::Option* yes = insertCommand->add_flag("--yes", insert->yes, "Answer Yes when the text runs over the limit");
    CLI::Option* no = insertCommand->add_flag("--no", insert->no, "Answer No when the text runs over the limit");
    yes->excludes(no);
    insertCommand->add_option("-o,--output", insert->output, "Write the result to this file; the ROM is only read");
    insertCommand->add_option("--patch", insert->patch, "Also write a patch from the ROM to the result (.ips or .bps)");
    insertCommand->add_option("--fix-checksum", insert->fixChecksum,
                              "Repair the header checksum of the result: auto, snes, gb, gba or md");
    AddShortestFlag(*insertCommand, insert->shortest);
    insertCommand->add_option("SCRIPT", insert->script, "The edited script")->required();
    commands.emplace_back(insertCommand, [insert] { return RunInsert(*insert); });

    auto check = std::make_shared<CheckOptions>();
    CLI::App* checkCommand = app.add_subcommand("check", "Measure an edited script against its text area");
    AddScriptOptions(*checkCommand, *check,
                     "ROM image (needed to measure Huffman v2 text and scripts with a map, and for --lines)", false);
    AddShortestFlag(*checkCommand, check->shortest);
    checkCommand->add_flag("--lines", check->lines, "List the strings that take more bytes than in the ROM (needs --rom)");
    check->box.AddTo(*checkCommand);
    checkCommand->add_option("SCRIPT", check->script, "The edited script")->required();
    commands.emplace_back(checkCommand, [check] { return RunCheck(*check); });

    auto test = std::make_shared<TestOptions>();
    CLI::App* testCommand = app.add_subcommand("test", "Measure one line of text through the table");
    test->text.AddTo(*testCommand);
    AddShortestFlag(*testCommand, test->shortest);
    test->box.AddTo(*testCommand);
    testCommand->add_option("TEXT", test->input, "The text (UTF-8)")->required();
    commands.emplace_back(testCommand, [test] { return RunTest(*test); });

    auto redo = std::make_shared<ScriptOptions>();
    CLI::App* redoCommand = app.add_subcommand("redo", "Re-extract a script from its header and save it over the file");
    AddScriptOptions(*redoCommand, *redo, "ROM image", true);
    redoCommand->add_option("SCRIPT", redo->script, "The script to refresh")->required();
    commands.emplace_back(redoCommand, [redo] { return RunRedo(*redo); });
}

}  // namespace quorvex::cli
