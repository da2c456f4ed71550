#pragma once
// Encodings of a text line that take the fewest bytes (or Huffman v2 bits)
// the character table allows, where longest match may take more: a table
// holding words and pairs that overlap ("th", "he", "the ") can often cover a
// line in fewer entries than the greedy choice does.
#include "insert/ScriptWalk.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

namespace quorvex {

class CharTable;

// Encodes the text line script[start, end), end being its CR or the end of the
// script, with the fewest bytes. An escape "<XX>" stays one byte as written and
// wins over any entry at its place, as in longest match; elsewhere any entry
// the reverse lookup could give may be taken. Among encodings of equal length
// the one with the longest entry text at each place is taken, and an entry's
// bytes are those of the line longest match would take for that text, so when
// longest match is already shortest the result is exactly its result.
// A line that no choice of entries encodes is reported as longest match
// reports it: the characters before the failure and notInTableAt.
[[nodiscard]] scriptwalk::EncodedLine EncodeShortestLine(std::u16string_view script, std::size_t start,
                                                         std::size_t end, const CharTable& table);

// EncodeShortestLine's bytes straight into `bytes` (everything in it
// replaced, its buffer kept), for Insert: what longest match takes for the
// line, -1 when it stops in it. No value, and bytes left as they are, when no
// choice encodes the line: EncodeShortestLine tells what is wrong then.
[[nodiscard]] std::optional<std::int64_t> EncodeShortestBytes(std::u16string_view script, std::size_t start,
                                                              std::size_t end, const CharTable& table,
                                                              std::vector<std::uint8_t>& bytes);

// The bits of the Huffman code of a byte value; no value when the byte has no code.
using CodeBits = std::function<std::optional<int>(std::uint8_t)>;

// As EncodeShortestLine, counting for each entry or escape the bits of the code
// of its first byte (an entry without bytes costs nothing; a byte without a
// code cannot be taken). A line that no choice encodes is encoded by longest
// match, whose result then shows what is wrong: a character not in the table,
// or a byte without a code.
[[nodiscard]] scriptwalk::EncodedLine EncodeFewestBits(std::u16string_view script, std::size_t start, std::size_t end,
                                                       const CharTable& table, const CodeBits& codeBits);

}  // namespace quorvex
