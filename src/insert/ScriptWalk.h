#pragma once
// The half shared by Insert and Check Insert: how a body splits into blocks
// and how a text line becomes the bytes of its string. Nothing here writes
// into a ROM; the callers decide what a block does.
#include "job/Script.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex {
class CharTable;
}

namespace quorvex::scriptwalk {

// One block of a body. `problem` non-empty means the block is malformed and
// holds the whole message to show (line number and line included); nothing
// else in the block is then meaningful.
struct Block {
    std::optional<PointerLine> pointer;  // bodies with pointer lines: the block's first line
    bool isRepeat = false;               // a repeat line or an empty entry's line: the block has no text line
    bool lacksPointer = false;           // a Scattered line that lists no offset, e.g. "(9ABC)"
    std::size_t textLine = 0;            // where the text line begins
    std::u16string problem;
};

// Reads the block that begins at pos. Pointer lines are expected only in the
// PointerLines layout; a line there without a first number is malformed,
// except a Scattered line that starts with "(", which names no pointer. An
// empty entry's line ("12 n") stands alone only when the script's header
// names the empty value (emptyEntries); otherwise it is a plain line.
[[nodiscard]] Block ReadBlock(std::u16string_view script, std::size_t pos, BodyLayout layout, TableType tableType,
                              bool emptyEntries);

// One character of a text line and the byte values it stands for (0 to 3:
// an entry may have no bytes; an escape always has one).
struct EncodedCharacter {
    std::size_t at = 0;  // index in the script of its first character
    std::uint8_t bytes[3] = {0, 0, 0};
    int count = 0;
};

// The one byte of the escape "<XX>" that starts at pos.
[[nodiscard]] EncodedCharacter EscapeCharacter(std::u16string_view script, std::size_t pos);

struct EncodedLine {
    std::vector<EncodedCharacter> characters;  // up to the first failure
    std::size_t end = 0;                        // the line's CR, or the script's end
    std::optional<std::size_t> notInTableAt;    // a character the table does not know
    std::u16string problem;                     // a malformed line: the message to show
    // The shortest encodings: what longest match takes for the line, in the
    // same measure (bytes or bits); no value when it stops in the line.
    std::optional<std::int64_t> longestCost;
};

// Encodes the text line that begins at pos. Without a table the line must be
// made of four-character escapes only. With one, an escape wins over any
// entry; otherwise the table's longest match is taken (never past the CR).
[[nodiscard]] EncodedLine EncodeTextLine(std::u16string_view script, std::size_t pos, const CharTable* table);

// How a string's text becomes bytes: Regular text as the table's bytes;
// Huffman v2 text as the codes of the first byte of each entry, indexed
// through the 48 values at huffTable in huffmanRom.
struct StringEncoding {
    TextType textType = TextType::Regular;
    std::span<const std::uint8_t> huffmanRom;
    std::int32_t huffTable = 0;
    // Each line in the fewest bytes (Huffman v2: bits) the table allows,
    // instead of by longest match.
    bool shortest = false;
};

// The bytes of one string as Insert writes them.
struct EncodedString {
    std::vector<std::uint8_t> bytes;            // up to the first failure
    std::size_t lineEnd = 0;                    // the line's CR, or the script's end
    std::optional<std::size_t> notInTableAt;    // a character that cannot be encoded
    std::u16string problem;                     // a malformed line: the message to show
    // Regular text in the shortest encoding: the bytes longest match would
    // write for the line, -1 when it would stop in it. No value otherwise.
    std::optional<std::int64_t> longestMatchBytes;
};

// Encodes the text line that begins at pos into its string's bytes, in
// `string` (everything in it replaced; its buffer kept, so a walk that passes
// the same one for every line allocates nothing per line). A Huffman string
// is completed with its last byte unless a character stops it.
void EncodeString(std::u16string_view script, std::size_t pos, const CharTable* table, const StringEncoding& encoding,
                  EncodedString& string);

// The character at pos and the two after it, as far as the script has them:
// what the "not in the table" messages quote.
[[nodiscard]] std::u16string_view CharactersAt(std::u16string_view script, std::size_t pos);
// Where the character at pos stands: "Line %i, column %i.", lines counted
// from the line that begins at firstLine.
[[nodiscard]] std::u16string PositionOf(std::u16string_view script, std::size_t pos, std::size_t firstLine = 0);

}  // namespace quorvex::scriptwalk
