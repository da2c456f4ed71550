#pragma once
// Which strings of an edited script do not fit: those that grew past the
// string their entry held in the ROM, and the lines wider than the game's
// text box. Each finding is one line of text for the report.
#include "job/TextBox.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex {

class CharTable;

// "Line %i: %i bytes, %i before (+%i)." for every string, in script order,
// that encodes to more bytes than its entry's string took in rom: from the
// entry's target to the next target in address order, the last one to Text
// End + 1. Only bodies with pointer lines into a pointer table name their
// entries; other scripts, and a walk that stops, give the lines found so far.
[[nodiscard]] std::vector<std::u16string> GrownStrings(const CharTable* table, std::u16string_view script,
                                                       std::span<const std::uint8_t> rom, bool shortest);

// "Line %i: %i characters wide, the box holds %i: PIECE" for every piece of
// a text line wider than the box. A line is cut at every table entry whose
// text is one of the breaks, and at its end. Width counts the characters of
// the entries' texts; entries whose whole text is bracketed ("[END]",
// "<wait>", "{name}") and "<XX>" escapes count 0. Lines count from the line
// that begins at firstLine; a line the table cannot encode is measured up to
// where it stops.
[[nodiscard]] std::vector<std::u16string> TooWidePieces(const CharTable* table, std::u16string_view script,
                                                        const TextBox& box, std::size_t firstLine = 0);

}  // namespace quorvex
