#include "commands/Commands.h"

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

}  // namespace

CommandResult CheckInsert(const CheckRequest& request) {
    return Guarded([&] {
        if (request.listGrown && request.rom.empty())
            return CommandResult{}.Fail(Severity::Warning, messages::kLinesNeedRom, ExitClass::Usage);
        // Huffman v2 text needs the ROM for its code table, a map for its banks,
        // the grown strings for their sizes before.
        const auto header = ReadScriptHeader(request.script);
        const bool textNeedsRom =
            header && (header->textType == TextType::HuffmanV2 || header->job.map != AddressMapKind::None);
        std::optional<std::vector<std::uint8_t>> rom;
        if (request.listGrown || (textNeedsRom && !request.rom.empty()))
            rom = ReadWholeFile(request.rom);
        const auto romView = rom ? std::optional<std::span<const std::uint8_t>>(*rom) : std::nullopt;
        CommandResult result = Measure(request.table, request.script, romView, 0, request.shortest);
        if (request.listGrown && IsMeasured(result))
            AddFindings(result, GrownStrings(request.table, request.script, *rom, request.shortest));
        AddTooWide(result, request.table, request.script, request.box, 0);
        return result;
    });
}

CommandResult Test(std::u16string_view text, const CharTable* table, bool shortest, const std::optional<TextBox>& box) {
    return Guarded([&] {
        // One character is refused as well: the made-up text area would be a single byte.
        if (text.size() < 2) return CommandResult{}.Fail(Severity::Warning, messages::kNoTestText);
        const std::u16string script = MakeTestScript(text);
        // Positions are told within the typed text: its line is line 1.
        const std::size_t firstLine = FindScriptBody(script).value_or(0);
        CommandResult result = Measure(table, script, std::nullopt, firstLine, shortest);
        AddTooWide(result, table, script, box, firstLine);
        return result;
    });
}

}  // namespace quorvex::commands
