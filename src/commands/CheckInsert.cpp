#include "commands/Commands.h"

#include "insert/CTextEngine.h"
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

}  // namespace

CommandResult CheckInsert(const CheckRequest& request) {
    return Guarded([&] {
        // Only Huffman v2 text (its code table) and a map (its banks) need the ROM.
        const auto header = ReadScriptHeader(request.script);
        std::optional<std::vector<std::uint8_t>> rom;
        if (header && (header->textType == TextType::HuffmanV2 || header->job.map != AddressMapKind::None) &&
            !request.rom.empty())
            rom = ReadWholeFile(request.rom);
        return Measure(request.table, request.script,
                       rom ? std::optional<std::span<const std::uint8_t>>(*rom) : std::nullopt, 0, request.shortest);
    });
}

CommandResult Test(std::u16string_view text, const CharTable* table, bool shortest) {
    return Guarded([&] {
        // One character is refused as well: the made-up text area would be a single byte.
        if (text.size() < 2) return CommandResult{}.Fail(Severity::Warning, messages::kNoTestText);
        const std::u16string script = MakeTestScript(text);
        // Positions are told within the typed text: its line is line 1.
        return Measure(table, script, std::nullopt, FindScriptBody(script).value_or(0), shortest);
    });
}

}  // namespace quorvex::commands
