#pragma once
// The reading half shared by Insert and Check Insert: how a body splits into
// blocks, how a text line becomes byte values, and how Huffman v2 codes are
// emitted. Neither writes anything; the callers decide what a block does.
#include "job/CTextEngine.h"
#include "job/Script.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex::scriptwalk {

// One block of a body. `problem` non-empty means the block is malformed and
// holds the whole message to show (line number and line included); nothing
// else in the block is then meaningful.
struct Block {
    std::optional<PointerLine> pointer;  // bodies with pointer lines: the block's first line
    bool isRepeat = false;               // a repeat line: the block has no text line
    bool lacksPointer = false;           // a Scattered line that lists no offset, e.g. "(9ABC)"
    std::size_t textLine = 0;            // where the text line begins
    std::u16string problem;
};

// Reads the block that begins at pos. Pointer lines are expected only in the
// PointerLines layout; a line there without a first number is malformed,
// except a Scattered line that starts with "(", which names no pointer.
[[nodiscard]] Block ReadBlock(std::u16string_view script, std::size_t pos, BodyLayout layout, TableType tableType);

// One character of a text line and the byte values it stands for (0 to 3:
// an entry may have no bytes; an escape always has one).
struct EncodedCharacter {
    std::size_t at = 0;  // index in the script of its first character
    std::uint8_t bytes[3] = {0, 0, 0};
    int count = 0;
};

struct EncodedLine {
    std::vector<EncodedCharacter> characters;  // up to the first failure
    std::size_t end = 0;                        // the line's CR, or the script's end
    std::optional<std::size_t> notInTableAt;    // a character the table does not know
    std::u16string problem;                     // a malformed line: the message to show
};

// Encodes the text line that begins at pos. Without a table the line must be
// made of four-character escapes only. With one, an escape wins over any
// entry; otherwise the table's longest match is taken (never past the CR).
[[nodiscard]] EncodedLine EncodeTextLine(std::u16string_view script, std::size_t pos, const CharTable* table,
                                         std::int32_t longestTextLength);

// The character at pos and the two after it, as far as the script has them:
// what the "not in the table" messages quote.
[[nodiscard]] std::u16string_view CharactersAt(std::u16string_view script, std::size_t pos);

// Huffman v2 can code 48 indices. The index of value is the position, from
// huffTable on, of its first occurrence in the ROM; no value when it does not
// occur among the first 48 bytes (or the table lies outside the ROM).
inline constexpr int kHuffmanIndexCount = 48;
[[nodiscard]] std::optional<int> FindHuffmanIndex(std::span<const std::uint8_t> rom, std::int32_t huffTable,
                                                  std::uint8_t value);

// Emits the code of one index (below 48) through the engine's WriteBit. False
// when a completed byte would land outside `image`.
[[nodiscard]] bool EmitHuffmanIndex(CTextEngine& engine, BitWriterState& state, int index, bool write,
                                    std::span<std::uint8_t> image);
// Ends a string: writes its last, partly filled byte (one zero byte for an
// empty string) and leaves state.offset just after it. False as above.
[[nodiscard]] bool EndHuffmanString(CTextEngine& engine, BitWriterState& state, bool write,
                                    std::span<std::uint8_t> image);

}  // namespace quorvex::scriptwalk
