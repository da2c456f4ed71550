#pragma once
// The text of one string in a script: what the table reads in its values.
#include "extract/ScriptText.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace quorvex {

class CharTable;

// Appends one string to the script: each run of values a table entry's key
// matches (longest key first) as the entry's text, every other value as an
// escape ("<XX>"), the parameter values after a control code as escapes as
// well; then CR LF. Without a table every value is an escape. False as soon
// as the script grows past `limit` UTF-16 units: one value can stand for a
// long entry, so the size is watched value by value.
[[nodiscard]] bool AppendDecodedText(ScriptText& script, const CharTable* table, std::span<const std::uint8_t> values,
                                     std::size_t limit);
// The same for values that may be wider than a byte (Huffman text).
[[nodiscard]] bool AppendDecodedText(ScriptText& script, const CharTable* table, std::span<const std::uint16_t> values,
                                     std::size_t limit);

}  // namespace quorvex
