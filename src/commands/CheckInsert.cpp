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

}  // namespace

CommandResult CheckInsert(const CheckRequest& request) {
    return Guarded([&] {
        // Only Huffman v2 text needs the ROM: its code table lies there.
        const auto header = ReadScriptHeader(request.script);
        std::optional<std::vector<std::uint8_t>> rom;
        if (header && header->textType == TextType::HuffmanV2 && !request.rom.empty())
            rom = ReadWholeFile(request.rom);
        const CTextEngine engine;
        return FromReport(engine.CheckInsert(request.table, request.script,
                                             rom ? std::optional<std::span<const std::uint8_t>>(*rom) : std::nullopt));
    });
}

CommandResult Test(std::u16string_view text, const CharTable* table) {
    return Guarded([&] {
        // One character is refused as well: the made-up text area would be a single byte.
        if (text.size() < 2) return CommandResult{}.Fail(Severity::Warning, messages::kNoTestText);
        const CTextEngine engine;
        return FromReport(engine.CheckInsert(table, MakeTestScript(text)));
    });
}

}  // namespace quorvex::commands
