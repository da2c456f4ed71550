#include "insert/LineReports.h"

#include "insert/ScriptWalk.h"
#include "job/Messages.h"
#include "job/Script.h"
#include "pointers/PointerLayout.h"
#include "pointers/PointerTable.h"

#include <algorithm>
#include <functional>
#include <optional>

namespace quorvex {
namespace {

// Calls visit with every block that has a text line, in script order, until
// the body ends or a block is malformed.
void ForEachString(std::u16string_view script, const ScriptHeader& header,
                   const std::function<void(const scriptwalk::Block&)>& visit) {
    const BodyLayout layout = ReadBodyLayout(header);
    std::size_t pos = FindScriptBody(script).value_or(script.size());
    while (pos < script.size()) {
        const scriptwalk::Block block = scriptwalk::ReadBlock(script, pos, layout, header.tableType,
                                                                   header.job.nullPointer.has_value());
        if (!block.problem.empty()) return;
        if (block.isRepeat) {
            pos = block.pointer->next;
            continue;
        }
        visit(block);
        pos = NextLineStart(script, block.textLine);
    }
}

// A pointer's target as Extract finds it: the value plus the X000 Offset, wrapped to 32 bits.
std::int64_t Target(std::uint32_t value, std::int32_t xOffset) {
    return static_cast<std::int32_t>(value + static_cast<std::uint32_t>(xOffset));
}

// The targets of every entry of the table as the ROM holds it, ascending and each once.
std::vector<std::int64_t> TargetsInRom(std::span<const std::uint8_t> rom, const ScriptHeader& header) {
    std::vector<std::int64_t> targets;
    for (const PointerEntry& entry : ReadPointerTable(rom, header.job, header.tableType).entries)
        targets.push_back(Target(static_cast<std::uint32_t>(entry.address), header.job.xOffset));
    std::sort(targets.begin(), targets.end());
    targets.erase(std::unique(targets.begin(), targets.end()), targets.end());
    return targets;
}

// Width of an entry's text in the box: 0 for "[...]", "<...>" and "{...}".
std::int64_t WidthOf(std::u16string_view text) {
    if (text.size() >= 2 && ((text.front() == u'[' && text.back() == u']') ||
                             (text.front() == u'<' && text.back() == u'>') ||
                             (text.front() == u'{' && text.back() == u'}')))
        return 0;
    return std::count_if(text.begin(), text.end(), [](char16_t c) { return c < 0xDC00 || c > 0xDFFF; });
}

}  // namespace

std::vector<std::u16string> GrownStrings(const CharTable* table, std::u16string_view script,
                                         std::span<const std::uint8_t> rom, bool shortest) {
    std::vector<std::u16string> lines;
    const std::optional<ScriptHeader> header = ReadScriptHeader(script);
    if (!header || ReadBodyLayout(*header) != BodyLayout::PointerLines || IsScattered(header->tableType)) return lines;
    const std::optional<PointerLayout> layout = LayoutOf(header->tableType, header->job);
    if (!layout) return lines;
    const std::vector<std::int64_t> targets = TargetsInRom(rom, *header);
    const scriptwalk::StringEncoding encoding{header->textType, rom, header->job.huffTable, shortest};
    scriptwalk::EncodedString encoded;
    ForEachString(script, *header, [&](const scriptwalk::Block& block) {
        const auto value = layout->Read(rom, *block.pointer->offset);
        if (!value) return;
        const std::int64_t target = Target(*value, header->job.xOffset);
        const auto next = std::upper_bound(targets.begin(), targets.end(), target);
        const std::int64_t before = (next == targets.end() ? header->job.textEnd + std::int64_t{1} : *next) - target;
        scriptwalk::EncodeString(script, block.textLine, table, encoding, encoded);
        const auto bytes = static_cast<std::int64_t>(encoded.bytes.size());
        if (bytes > before) lines.push_back(messages::StringGrew(LineNumberAt(script, block.textLine), bytes, before));
    });
    return lines;
}

std::vector<std::u16string> TooWidePieces(const CharTable* table, std::u16string_view script, const TextBox& box,
                                          std::size_t firstLine) {
    std::vector<std::u16string> lines;
    const std::optional<ScriptHeader> header = ReadScriptHeader(script);
    if (!header) return lines;
    const std::int64_t lineOffset = LineNumberAt(script, firstLine) - 1;
    ForEachString(script, *header, [&](const scriptwalk::Block& block) {
        const scriptwalk::EncodedLine line = scriptwalk::EncodeTextLine(script, block.textLine, table);
        const std::size_t stop = line.notInTableAt.value_or(line.end);
        std::size_t pieceStart = block.textLine;
        std::int64_t width = 0;
        const auto endPiece = [&](std::size_t end) {
            if (width > box.maxWidth)
                lines.push_back(messages::TooWide(LineNumberAt(script, block.textLine) - lineOffset, width, box.maxWidth,
                                                  script.substr(pieceStart, end - pieceStart)));
            width = 0;
        };
        for (std::size_t i = 0; i < line.characters.size(); ++i) {
            const std::size_t at = line.characters[i].at;
            const std::size_t end = i + 1 < line.characters.size() ? line.characters[i + 1].at : stop;
            const std::u16string_view text = script.substr(at, end - at);
            if (std::find(box.breaks.begin(), box.breaks.end(), text) == box.breaks.end()) {
                width += WidthOf(text);
                continue;
            }
            endPiece(at);
            pieceStart = end;
        }
        endPiece(stop);
    });
    return lines;
}

}  // namespace quorvex
