#include "insert/ScriptWalk.h"

#include "chartable/CharTable.h"
#include "job/Messages.h"

#include <algorithm>

namespace quorvex::scriptwalk {
namespace {

constexpr std::size_t kEscapeLength = 4;  // "<XX>"

std::u16string BadLineAt(std::u16string_view script, std::size_t pos, std::u16string_view problem) {
    const std::size_t start = std::min(pos, script.size());
    const std::size_t end = FindLineEnd(script, start);
    return messages::BadLine(LineNumberAt(script, start), problem, script.substr(start, end - start));
}

bool IsEscapeAt(std::u16string_view script, std::size_t pos, std::size_t lineEnd) {
    return pos + 3 < lineEnd && script[pos] == u'<' && script[pos + 3] == u'>';
}

int HexDigitValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// The byte of the escape at pos: up to two hexadecimal digits after the "<",
// 0 when none follows (so "<GH>" is the byte 0).
std::uint8_t EscapeValue(std::u16string_view script, std::size_t pos) {
    int value = 0;
    for (std::size_t i = pos + 1; i < pos + 3; ++i) {
        const int digit = HexDigitValue(script[i]);
        if (digit < 0) break;
        value = value * 16 + digit;
    }
    return static_cast<std::uint8_t>(value);
}

EncodedCharacter Escape(std::u16string_view script, std::size_t pos) {
    EncodedCharacter character;
    character.at = pos;
    character.bytes[0] = EscapeValue(script, pos);
    character.count = 1;
    return character;
}

bool StartsWithParenthesis(std::u16string_view line) {
    const auto first = std::find_if(line.begin(), line.end(), [](char16_t c) { return c != u' ' && c != u'\t'; });
    return first != line.end() && *first == u'(';
}

bool EmitBits(CTextEngine& engine, BitWriterState& state, int value, int bitCount, bool write,
              std::span<std::uint8_t> image) {
    for (int bit = bitCount - 1; bit >= 0; --bit)
        if (!engine.WriteBit(state, (value >> bit) & 1, write, image)) return false;
    return true;
}

}  // namespace

Block ReadBlock(std::u16string_view script, std::size_t pos, BodyLayout layout, TableType tableType) {
    Block block;
    if (layout != BodyLayout::PointerLines) {
        block.textLine = pos;
        return block;
    }
    const PointerLine line = ParsePointerLine(script, pos);
    block.pointer = line;
    block.textLine = line.next;
    if (!line.offset) {
        if (IsScattered(tableType) && StartsWithParenthesis(script.substr(pos, line.lineEnd - pos)))
            block.lacksPointer = true;
        else
            block.problem = BadLineAt(script, pos, messages::kNeedsOffset);
        return block;
    }
    if (line.kind != PointerLineKind::Plain && !line.second) {
        block.problem = BadLineAt(script, pos, messages::kNeedsSecondOffset);
        return block;
    }
    block.isRepeat = line.kind == PointerLineKind::Repeat;
    return block;
}

EncodedLine EncodeTextLine(std::u16string_view script, std::size_t pos, const CharTable* table,
                           std::int32_t longestTextLength) {
    EncodedLine line;
    pos = std::min(pos, script.size());
    line.end = FindLineEnd(script, pos);

    if (table == nullptr) {
        // Without a table there is nothing to look up: anything but whole
        // escapes would have to be guessed at, so the line is refused whole.
        const bool allEscapes = (line.end - pos) % kEscapeLength == 0 && [&] {
            for (std::size_t at = pos; at < line.end; at += kEscapeLength)
                if (!IsEscapeAt(script, at, line.end)) return false;
            return true;
        }();
        if (!allEscapes) {
            line.problem = BadLineAt(script, pos, messages::kNeedsEscapes);
            return line;
        }
        for (std::size_t at = pos; at < line.end; at += kEscapeLength) line.characters.push_back(Escape(script, at));
        return line;
    }

    std::size_t cursor = pos;
    while (cursor < line.end) {
        if (IsEscapeAt(script, cursor, line.end)) {
            line.characters.push_back(Escape(script, cursor));
            cursor += kEscapeLength;
            continue;
        }
        const CharTable::TextMatch match = table->LookupText(script, cursor, longestTextLength);
        if (match.length <= 0) {
            line.notInTableAt = cursor;
            return line;
        }
        EncodedCharacter character;
        character.at = cursor;
        character.count = std::clamp(match.byteCount, 0, 3);
        std::copy_n(match.bytes, 3, character.bytes);
        line.characters.push_back(character);
        cursor += static_cast<std::size_t>(match.length);
    }
    return line;
}

std::u16string_view CharactersAt(std::u16string_view script, std::size_t pos) {
    return script.substr(std::min(pos, script.size()), 3);
}

std::optional<int> FindHuffmanIndex(std::span<const std::uint8_t> rom, std::int32_t huffTable, std::uint8_t value) {
    for (int index = 0; index < kHuffmanIndexCount; ++index) {
        const std::int64_t at = static_cast<std::int64_t>(huffTable) + index;
        if (at < 0 || at >= static_cast<std::int64_t>(rom.size())) return std::nullopt;
        if (rom[static_cast<std::size_t>(at)] == value) return index;
    }
    return std::nullopt;
}

bool EmitHuffmanIndex(CTextEngine& engine, BitWriterState& state, int index, bool write,
                      std::span<std::uint8_t> image) {
    if (index < 8)
        return EmitBits(engine, state, 0, 1, write, image) && EmitBits(engine, state, index, 3, write, image);
    if (index < 16)
        return EmitBits(engine, state, 0b10, 2, write, image) && EmitBits(engine, state, index - 8, 3, write, image);
    return EmitBits(engine, state, 0b11, 2, write, image) && EmitBits(engine, state, index - 16, 5, write, image);
}

bool EndHuffmanString(CTextEngine& engine, BitWriterState& state, bool write, std::span<std::uint8_t> image) {
    // With the position at 0 the next bit completes the byte being built; the
    // bit itself belongs to no string and is dropped with the writer state.
    state.position = 0;
    return engine.WriteBit(state, 0, write, image);
}

}  // namespace quorvex::scriptwalk
