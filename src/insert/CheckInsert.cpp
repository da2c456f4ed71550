#include "insert/CheckInsert.h"

#include "insert/ScriptWalk.h"
#include "job/Messages.h"
#include "job/Script.h"
#include "pointers/AddressMap.h"
#include "pointers/PointerLayout.h"

namespace quorvex {
namespace {

// Adds up what Insert would write as text. No value once the walk has
// stopped; the reason is then appended to the report.
// `longest` adds up what longest match would take, as long as every line tells it.
// The strings are placed as Insert places them, so the bytes a map passes
// over at bank ends count, and a string that cannot leave its bank stops the walk.
std::optional<std::int64_t> MeasureBody(const ScriptHeader& header, const AddressMap& map, const CharTable* table,
                                        std::u16string_view script, std::size_t bodyStart,
                                        const scriptwalk::StringEncoding& encoding, std::size_t firstLine,
                                        std::u16string& report, std::optional<std::int64_t>& longest) {
    const BodyLayout layout = ReadBodyLayout(header);
    std::int64_t total = 0;
    std::int64_t position = header.job.textStart;
    longest = encoding.shortest && encoding.textType != TextType::HuffmanV2 && table != nullptr
                  ? std::optional<std::int64_t>(0)
                  : std::nullopt;
    std::size_t pos = bodyStart;
    scriptwalk::EncodedString string;
    while (pos < script.size()) {
        const scriptwalk::Block block = scriptwalk::ReadBlock(script, pos, layout, header.tableType,
                                                                   header.job.nullPointer.has_value());
        if (!block.problem.empty()) {
            report += block.problem;
            return std::nullopt;
        }
        if (block.isRepeat) {
            pos = block.pointer->next;
            continue;
        }
        if (block.pointer && block.pointer->kind == PointerLineKind::Move) position = *block.pointer->second;
        scriptwalk::EncodeString(script, block.textLine, table, encoding, string);
        if (!string.problem.empty()) {
            report += string.problem;
            return std::nullopt;
        }
        const auto length = static_cast<std::int64_t>(string.bytes.size());
        const AddressMap::Placement placed = map.Place(position, length);
        if (placed.leaves) {
            report += messages::LeavesBank(LineNumberAt(script, block.textLine), placed.leaves->first, placed.leaves->last);
            return std::nullopt;
        }
        total += placed.at - position + length;
        position = placed.at + length;
        if (longest && *longest >= 0)
            longest = string.longestMatchBytes && *string.longestMatchBytes >= 0 ? *longest + *string.longestMatchBytes : -1;
        if (string.notInTableAt) {
            report += messages::kUnexpectedLetter;
            report += scriptwalk::CharactersAt(script, *string.notInTableAt);
            report += u"\r\n";
            report += scriptwalk::PositionOf(script, *string.notInTableAt, firstLine);
            report += u"\r\n";
            return std::nullopt;
        }
        pos = NextLineStart(script, block.textLine);
    }
    return total;
}

}  // namespace

CheckReport CheckInsert(const CharTable* table, std::u16string_view script,
                        std::optional<std::span<const std::uint8_t>> rom, std::size_t firstLine, bool shortest) {
    CheckReport report;
    const std::optional<ScriptHeader> header = ReadScriptHeader(script);
    const std::optional<std::size_t> body = header ? FindScriptBody(script) : std::nullopt;
    if (!header || !body) {
        report.text = messages::kBadFileCheck;
        report.verdict = CheckReport::Verdict::BadFile;
        return report;
    }
    const JobSettings& job = header->job;
    const std::int64_t size = static_cast<std::int64_t>(job.textEnd) - job.textStart + 1;
    report.text = messages::CheckFirstLine(job.textStart, job.textEnd, size);
    report.verdict = CheckReport::Verdict::Stopped;

    scriptwalk::StringEncoding encoding{header->textType, {}, job.huffTable, shortest};
    if (header->textType == TextType::HuffmanV2) {
        if (!rom) {
            report.text += messages::kHuffmanNeedsRom;
            return report;
        }
        encoding.huffmanRom = *rom;
    }
    // The banks of an SNES map depend on the image: a copier header moves them.
    if (header->job.map != AddressMapKind::None && !rom) {
        report.text += messages::kMapNeedsRom;
        return report;
    }
    const AddressMap map(header->job, rom ? rom->size() : 0, PointerWidth(header->tableType, header->job));
    std::optional<std::int64_t> longest;
    const std::optional<std::int64_t> total =
        MeasureBody(*header, map, table, script, *body, encoding, firstLine, report.text, longest);
    if (!total) return report;

    report.total = *total;
    report.longestTotal = longest;
    report.text += messages::kCheckDone;
    report.text += messages::TotalLength(*total);
    if (*total > size) {
        report.text += messages::CheckOver(*total - size);
        report.verdict = CheckReport::Verdict::Over;
    } else if (*total == size) {
        report.text += messages::kTextFits;
        report.verdict = CheckReport::Verdict::Fits;
    } else {
        report.text += messages::CheckUnder(size - *total);
        report.verdict = CheckReport::Verdict::Under;
    }
    return report;
}

}  // namespace quorvex
