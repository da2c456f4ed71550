#include "insert/ScriptWalk.h"

#include "chartable/CharTable.h"
#include "insert/Escape.h"
#include "insert/HuffmanCodes.h"
#include "insert/ShortestEncoding.h"
#include "job/Messages.h"
#include "platform/Numbers.h"

#include <algorithm>

namespace quorvex::scriptwalk {
namespace {

std::u16string BadLineAt(std::u16string_view script, std::size_t pos, std::u16string_view problem) {
    const std::size_t start = std::min(pos, script.size());
    const std::size_t end = FindLineEnd(script, start);
    return messages::BadLine(LineNumberAt(script, start), problem, script.substr(start, end - start));
}

bool StartsWithParenthesis(std::u16string_view line) {
    const auto first = std::find_if(line.begin(), line.end(), [](char16_t c) { return c != u' ' && c != u'\t'; });
    return first != line.end() && *first == u'(';
}

}  // namespace

EncodedCharacter EscapeCharacter(std::u16string_view script, std::size_t pos) {
    EncodedCharacter character;
    character.at = pos;
    character.bytes[0] = EscapeValue(script, pos);
    character.count = 1;
    return character;
}

Block ReadBlock(std::u16string_view script, std::size_t pos, BodyLayout layout, TableType tableType,
                bool emptyEntries) {
    Block block;
    if (layout != BodyLayout::PointerLines) {
        block.textLine = pos;
        return block;
    }
    PointerLine line = ParsePointerLine(script, pos);
    if (line.kind == PointerLineKind::Empty && !emptyEntries) line.kind = PointerLineKind::Plain;
    block.pointer = line;
    block.textLine = line.next;
    if (!line.offset) {
        if (IsScattered(tableType) && StartsWithParenthesis(script.substr(pos, line.lineEnd - pos)))
            block.lacksPointer = true;
        else
            block.problem = BadLineAt(script, pos, messages::kNeedsOffset);
        return block;
    }
    if ((line.kind == PointerLineKind::Repeat || line.kind == PointerLineKind::Move) && !line.second) {
        block.problem = BadLineAt(script, pos, messages::kNeedsSecondOffset);
        return block;
    }
    block.isRepeat = line.kind == PointerLineKind::Repeat || line.kind == PointerLineKind::Empty;
    return block;
}

namespace {

// The longest-match walk of a text line: each character goes to emit as it
// is read; the line's end, a character not in the table and a malformed line
// go into `line`.
template <typename Emit>
void WalkTextLine(std::u16string_view script, std::size_t pos, const CharTable* table, EncodedLine& line, Emit&& emit) {
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
            return;
        }
        for (std::size_t at = pos; at < line.end; at += kEscapeLength) emit(EscapeCharacter(script, at));
        return;
    }

    const std::int32_t longest = table->longestTextLength();
    std::size_t cursor = pos;
    while (cursor < line.end) {
        if (IsEscapeAt(script, cursor, line.end)) {
            emit(EscapeCharacter(script, cursor));
            cursor += kEscapeLength;
            continue;
        }
        const CharTable::TextMatch match = table->LookupText(script, cursor, longest);
        if (match.length <= 0) {
            line.notInTableAt = cursor;
            return;
        }
        EncodedCharacter character;
        character.at = cursor;
        character.count = std::clamp(match.byteCount, 0, 3);
        std::copy_n(match.bytes, 3, character.bytes);
        emit(character);
        cursor += static_cast<std::size_t>(match.length);
    }
}

}  // namespace

EncodedLine EncodeTextLine(std::u16string_view script, std::size_t pos, const CharTable* table) {
    EncodedLine line;
    WalkTextLine(script, pos, table, line, [&](const EncodedCharacter& character) { line.characters.push_back(character); });
    return line;
}

std::u16string_view CharactersAt(std::u16string_view script, std::size_t pos) {
    return script.substr(std::min(pos, script.size()), 3);
}

namespace {

EncodedLine EncodeLine(std::u16string_view script, std::size_t pos, const CharTable* table,
                       const StringEncoding& encoding) {
    if (!encoding.shortest || table == nullptr) return EncodeTextLine(script, pos, table);
    pos = std::min(pos, script.size());
    const std::size_t end = FindLineEnd(script, pos);
    if (encoding.textType != TextType::HuffmanV2) return EncodeShortestLine(script, pos, end, *table);
    const auto codeBits = [&](std::uint8_t value) -> std::optional<int> {
        const auto index = FindHuffmanIndex(encoding.huffmanRom, encoding.huffTable, value);
        if (!index) return std::nullopt;
        return HuffmanCodeLength(*index);
    };
    return EncodeFewestBits(script, pos, end, *table, codeBits);
}

}  // namespace

namespace {

// Longest match straight into the string's bytes, the nearly universal case:
// one table read per character for most of them, no list of characters and
// no check per byte written. Gives the line's end.
std::size_t EncodeLongestMatch(std::u16string_view script, std::size_t pos, const CharTable& table,
                               EncodedString& string) {
    pos = std::min(pos, script.size());
    const std::size_t end = FindLineEnd(script, pos);
    // An entry or an escape takes at least one character and gives at most
    // three bytes; each step writes three and keeps those it gives.
    string.bytes.resize(3 * (end - pos));
    std::uint8_t* const first = string.bytes.data();
    std::uint8_t* out = first;
    const std::int32_t longest = table.longestTextLength();
    std::size_t cursor = pos;
    while (cursor < end) {
        if (script[cursor] == u'<' && IsEscapeAt(script, cursor, end)) {
            *out++ = EscapeValue(script, cursor);
            cursor += kEscapeLength;
            continue;
        }
        const CharTable::TextMatch match = table.LookupText(script, cursor, longest);
        if (match.length <= 0) {
            string.notInTableAt = cursor;
            break;
        }
        out[0] = match.bytes[0];
        out[1] = match.bytes[1];
        out[2] = match.bytes[2];
        out += match.byteCount;
        cursor += static_cast<std::size_t>(match.length);
    }
    string.bytes.resize(static_cast<std::size_t>(out - first));
    return end;
}

}  // namespace

std::u16string PositionOf(std::u16string_view script, std::size_t pos, std::size_t firstLine) {
    firstLine = std::min(firstLine, pos);
    return messages::PositionInScript(LineNumberAt(script, pos) - LineNumberAt(script, firstLine) + 1,
                                      ColumnAt(script, pos));
}

void EncodeString(std::u16string_view script, std::size_t pos, const CharTable* table, const StringEncoding& encoding,
                  EncodedString& string) {
    string.bytes.clear();
    string.notInTableAt.reset();
    string.problem.clear();
    string.longestMatchBytes.reset();
    if (encoding.textType != TextType::HuffmanV2 && !encoding.shortest && table != nullptr) {
        string.lineEnd = EncodeLongestMatch(script, pos, *table, string);
        return;
    }
    if (encoding.textType != TextType::HuffmanV2 && encoding.shortest && table != nullptr) {
        pos = std::min(pos, script.size());
        string.lineEnd = FindLineEnd(script, pos);
        if (const auto longest = EncodeShortestBytes(script, pos, string.lineEnd, *table, string.bytes)) {
            string.longestMatchBytes = *longest;
            return;
        }
    }
    if (encoding.textType != TextType::HuffmanV2 && (!encoding.shortest || table == nullptr)) {
        // Without a table the line is escapes only: no list of characters is built for it.
        EncodedLine line;
        WalkTextLine(script, pos, table, line, [&](const EncodedCharacter& character) {
            for (int k = 0; k < character.count; ++k) string.bytes.push_back(character.bytes[k]);
        });
        string.lineEnd = line.end;
        string.notInTableAt = line.notInTableAt;
        string.problem = std::move(line.problem);
        return;
    }
    EncodedLine line = EncodeLine(script, pos, table, encoding);
    string.lineEnd = line.end;
    string.notInTableAt = line.notInTableAt;
    string.problem = std::move(line.problem);
    if (encoding.textType != TextType::HuffmanV2) {
        string.longestMatchBytes = line.longestCost.value_or(-1);
        // Three bytes written for every character, as many kept as it has: no copy call for each.
        string.bytes.resize(3 * line.characters.size());
        std::uint8_t* out = string.bytes.data();
        for (const auto& character : line.characters) {
            // One by one: a three-byte copy becomes a call to memmove.
            out[0] = character.bytes[0];
            out[1] = character.bytes[1];
            out[2] = character.bytes[2];
            out += character.count;
        }
        string.bytes.resize(static_cast<std::size_t>(out - string.bytes.data()));
        return;
    }
    BitWriter writer;
    for (const auto& character : line.characters) {
        // A Huffman code carries one byte value; the rest of a longer entry is dropped.
        if (character.count == 0) continue;
        const auto index = FindHuffmanIndex(encoding.huffmanRom, encoding.huffTable, character.bytes[0]);
        if (!index) {
            string.notInTableAt = character.at;
            break;
        }
        EmitHuffmanIndex(writer, *index);
    }
    // A line cut short by an unknown character ends the whole run, so its
    // string is never finished.
    if (!string.notInTableAt) writer.EndString();
    string.bytes = writer.bytes();
}

}  // namespace quorvex::scriptwalk
