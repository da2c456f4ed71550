#include "commands/Commands.h"

#include "commands/ReadInputs.h"
#include "insert/CTextEngine.h"
#include "insert/LineReports.h"
#include "insert/TestText.h"
#include "job/Messages.h"
#include "job/Script.h"
#include "platform/Files.h"

namespace quorvex::commands {
namespace {

ExitClass ExitFor(CheckReport::Verdict verdict) {
    switch (verdict) {
    case CheckReport::Verdict::Fits:
    case CheckReport::Verdict::Under: return ExitClass::Ok;
    case CheckReport::Verdict::Over: return ExitClass::Over;
    case CheckReport::Verdict::BadFile:
    case CheckReport::Verdict::Stopped: break;
    }
    return ExitClass::Failed;
}

CommandResult FromReport(CheckReport report) {
    CommandResult result;
    result.exit = ExitFor(report.verdict);
    result.output = std::move(report.text);
    return result;
}

// Measures the script; with shortest, on the shortest encoding, and tells
// what that saves over longest match once both walks have finished.
CommandResult Measure(const CharTable* table, std::u16string_view script,
                      std::optional<std::span<const std::uint8_t>> rom, std::size_t firstLine, bool shortest) {
    const CTextEngine engine;
    CheckReport report = engine.CheckInsert(table, script, rom, firstLine, shortest);
    if (shortest && report.verdict != CheckReport::Verdict::Stopped && report.verdict != CheckReport::Verdict::BadFile) {
        // Regular text tells it from the same walk; Huffman v2 text is walked again.
        std::optional<std::int64_t> longest = report.longestTotal;
        if (!longest) {
            const CheckReport walked = engine.CheckInsert(table, script, rom, firstLine, false);
            longest = walked.verdict != CheckReport::Verdict::Stopped ? walked.total : -1;
        }
        if (*longest >= 0) report.text += messages::ShortestSaves(*longest - report.total);
    }
    return FromReport(std::move(report));
}

bool IsMeasured(const CommandResult& result) {
    return result.exit == ExitClass::Ok || result.exit == ExitClass::Over;
}

// The findings follow the report, one a line.
void AddFindings(CommandResult& result, const std::vector<std::u16string>& findings) {
    for (const std::u16string& finding : findings) *result.output += u"\r\n" + finding;
}

// A piece wider than the box is over the limit as much as text past Text End.
void AddTooWide(CommandResult& result, const CharTable* table, std::u16string_view script,
                const std::optional<TextBox>& box, std::size_t firstLine) {
    if (!box || !IsMeasured(result)) return;
    const std::vector<std::u16string> pieces = TooWidePieces(table, script, *box, firstLine);
    AddFindings(result, pieces);
    if (!pieces.empty()) result.exit = ExitClass::Over;
}

// What reading the inputs said comes before the measurement's own result.
CommandResult Told(CommandResult read, CommandResult measured) {
    read.messages.insert(read.messages.end(), measured.messages.begin(), measured.messages.end());
    measured.messages = std::move(read.messages);
    return measured;
}

}  // namespace

CommandResult CheckInsert(const CheckRequest& request) {
    return Guarded([&] {
        CommandResult result;
        if (request.listGrown && request.rom.empty())
            return result.Fail(Severity::Warning, messages::kLinesNeedRom, ExitClass::Usage);
        std::optional<CharTable> tableRead;
        std::optional<std::u16string> scriptRead;
        const CharTable* table = UseTable(request.table, request.decoding, tableRead, result);
        const std::u16string& script = UseScript(request.script, request.decoding, scriptRead);
        // Huffman v2 text needs the ROM for its code table, a map for its banks,
        // the grown strings for their sizes before.
        const auto header = ReadScriptHeader(script);
        const bool textNeedsRom =
            header && (header->textType == TextType::HuffmanV2 || header->job.map != AddressMapKind::None);
        std::optional<std::vector<std::uint8_t>> rom;
        if (request.listGrown || (textNeedsRom && !request.rom.empty()))
            rom = ReadWholeFile(request.rom);
        const auto romView = rom ? std::optional<std::span<const std::uint8_t>>(*rom) : std::nullopt;
        CommandResult measured = Measure(table, script, romView, 0, request.shortest);
        if (request.listGrown && IsMeasured(measured))
            AddFindings(measured, GrownStrings(table, script, *rom, request.shortest));
        AddTooWide(measured, table, script, request.box, 0);
        return Told(std::move(result), std::move(measured));
    });
}

CommandResult Test(const TestRequest& request) {
    return Guarded([&] {
        CommandResult result;
        // One character is refused as well: the made-up text area would be a single byte.
        if (request.text.size() < 2) return result.Fail(Severity::Warning, messages::kNoTestText);
        std::optional<CharTable> read;
        const CharTable* table = UseTable(request.table, request.decoding, read, result);
        const std::u16string script = MakeTestScript(request.text);
        // Positions are told within the typed text: its line is line 1.
        const std::size_t firstLine = FindScriptBody(script).value_or(0);
        CommandResult measured = Measure(table, script, std::nullopt, firstLine, request.shortest);
        AddTooWide(measured, table, script, request.box, firstLine);
        return Told(std::move(result), std::move(measured));
    });
}

}  // namespace quorvex::commands
