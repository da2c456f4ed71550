#pragma once
#include "job/JobSettings.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex {

// Pointer finder: given where some strings start, finds the pointer tables
// that point at all of them, with the numbers Extract needs.
//
// Layouts: Regular2, Regular3, Regular4 (little-endian), Variation4
// (big-endian 4-byte) and Variation1 (n low bytes, then the n high bytes). A
// pointer value plus the X000 Offset (32-bit wrapping, as Extract adds it) is
// the ROM offset of the string.
//
// How a table is recognised:
// - X000 Offset. Given by the caller, or derived from pairs of entries: the
//   pointers to the first two given strings differ by exactly the distance
//   between the strings, lie at a multiple of the stride from each other, and
//   every entry between them must pass the test below. The last earlier entry
//   with each value (low 16 bits) is remembered per stride phase, so the whole
//   ROM is read once per layout. Variation1 has no such pairing (the distance
//   between its halves is unknown); without a given offset it tries the
//   offsets that usual bank layouts give: X000 Offset = k * 0x2000 + 0, + 0x10
//   or + 0x200 (any k keeping every pointer within 16 bits).
// - The end byte. The byte before the highest given string is taken as the
//   end byte when every given string but the lowest is preceded by it (the
//   lowest may be the first string of its block, after unrelated data). With
//   one string, the byte before it.
// - An entry belongs to the table when its value is neither 0 nor all ones
//   (blank fill), its target lies inside the ROM and within a band around the
//   given strings (their span widened by max(64 KiB, 4 x span) on each side;
//   without an end byte by max(2 KiB, span)), and the byte before the target
//   is the end byte. Without the end byte before it a target is allowed only
//   as the block's first string: all such entries point to one address, lower
//   than every other target, and the string there ends (at its first end
//   byte) right before another target of the table.
// - A table is the longest run of such entries at the stride around the
//   entries found for the given strings (grown upward, then downward), at
//   most 65535 entries (Variation1: 4096 per half). It must hold pointers to
//   every given string and at least one entry pointing elsewhere.
// - When nothing is found with an end byte, the search runs again without one.
//
// What it gets wrong:
// - A neighbouring entry of unrelated data is taken in when its value happens
//   to point at a plausible string start (roughly 1 in 500 per table end for
//   2-byte layouts over random data; far less for 3- and 4-byte ones). Data
//   that is itself a list of string starts of the same text (a second table
//   right next to the first) joins the table.
// - A table is cut short at an entry pointing outside the band, at a string
//   not preceded by the end byte (games with several end codes, or an entry
//   of 0 / all ones used as "no text"), or at a second block start.
// - Without an end byte (the given strings are preceded by different bytes)
//   only the band separates a table from data, and 2-byte tables easily take
//   in neighbours or are cut where text lies far from the given strings.
// - Derived offsets of 3- and 4-byte tables can be missed when the table's
//   text spans more than 64 KiB and an entry between the two given pointers
//   has the same low 16 bits as the first one; giving the X000 Offset or other
//   offsets avoids it. Variation1 without a given offset is found only for
//   the bank layouts listed above.
// - Variation1's halves are told apart by their entry count only: when a
//   neighbouring entry joins the run, each possible placement is a candidate.

struct PointerSearchRequest {
    std::vector<std::int64_t> textOffsets;  // ROM offsets of strings the table points at; repeats count once
    std::optional<std::int32_t> xOffset;    // the X000 Offset, when known
    std::size_t maxCandidates = 20;
};

struct PointerCandidate {
    TableType type = TableType::Regular2;
    std::int32_t tableStart = 0;
    std::int32_t tableEnd = 0;  // last byte of the last entry (Variation1: of the high half)
    std::int32_t xOffset = 0;
    std::int32_t entryCount = 0;
    std::int32_t textStart = 0;  // the lowest target
    std::int32_t textEnd = 0;    // the end byte ending the string at the highest target, or that target
    friend bool operator==(const PointerCandidate&, const PointerCandidate&) = default;
};

// No value when the request can be searched; otherwise the refusal: fewer than
// two different offsets without an X000 Offset (kPointerSearchNeedsOffsets),
// or an offset outside the ROM (kTextOffsetOutsideRom).
[[nodiscard]] std::optional<std::u16string_view> CheckPointerSearch(std::span<const std::uint8_t> rom,
                                                                     const PointerSearchRequest& request);

// The candidates, most entries first (then in layout order, then by Table
// Start), at most maxCandidates. Empty when nothing fits or when
// CheckPointerSearch refuses the request.
[[nodiscard]] std::vector<PointerCandidate> FindPointerTables(std::span<const std::uint8_t> rom,
                                                              const PointerSearchRequest& request);

// One line of the candidate list, without line end, tab-separated: table type
// name, Table Start, Table End, X000 Offset, entries, Text Start, Text End; in
// "%X" (negatives as eight digits), or in decimal when asked.
[[nodiscard]] std::u16string FormatPointerCandidate(const PointerCandidate& candidate, bool decimal);

// The command line that extracts a candidate: "quorvex-cli extract --rom ROM
// [--dec] --table-type NAME --table-start N --table-end N --text-start N
// --text-end N --x-offset N", numbers as FormatPointerCandidate writes them.
// The path is quoted for a POSIX shell when it needs to be.
[[nodiscard]] std::u16string ExtractCommandLine(std::u16string_view romPath, const PointerCandidate& candidate,
                                                bool decimal);

}  // namespace quorvex
