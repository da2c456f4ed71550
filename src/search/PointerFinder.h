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
// - The end byte: the byte before the highest given string, when every given
//   string but the lowest is preceded by it (the lowest may be the first
//   string of its block, after unrelated data: it is then the block's first
//   string). With one string, the byte before it. A position preceded by the
//   end byte is a string start.
// - An entry can belong to a table when its value is neither 0 nor all ones
//   (blank fill) and its target lies in the ROM, within a band around the
//   given strings (their span widened on each side by max(64 KiB, 4 x span)),
//   at a string start. The one exception is the block's first string: all
//   entries without a string start behind them point at one address, below
//   every other target, and the string there must end (at its first end
//   byte) right before another target of the table.
// - X000 Offset: given, or derived from pairs of entries at a multiple of the
//   stride from each other whose values differ exactly as the first two given
//   strings do. Only entries with one at most two strides away pointing at a
//   string start (under the offset the pair would give) are considered; the
//   last such entry with each value's low 16 bits is remembered per stride
//   phase, so the ROM is read once per layout. For Variation1 the distance
//   between the halves is unknown, so without a given offset only the offsets
//   usual bank layouts make are tried: k * 0x2000 + 0x10, k * 0x4000,
//   k * 0x8000 + 0x200 (every k keeping the pointers within 16 bits).
// - A table is the run of such entries at the stride through the ones found
//   (grown upward, then downward; at most 65535 entries, for Variation1 1024
//   per half), which must point at every given string and at enough other
//   strings: 3 more for 2-byte values, 1 for wider ones. No address may take
//   more than a third of a table (a 4-byte table read as 2-byte values points
//   every other entry at what its high halves make).
// - Empty entries: in the strided layouts (maps included) up to 256 blank
//   entries in a row, all holding one value (0 or all ones), are crossed
//   when a real entry follows them; "no text here" entries of a sparse
//   message table lie between its real ones. A run starts and ends on real
//   entries, and blanks count as no evidence; the entry count spans first to
//   last real entry, blanks included, and the candidate names the blank value
//   for extract's --null-pointer. Variation1 crosses no blanks.
// - The run is settled: an end entry pointing far from every other target
//   (more than max(1 KiB, 16 x the median gap between targets); not a given
//   string, not shared) is cut off and the run grown again inside. A first
//   string the table does not bear out is refused and the run grown again;
//   so is one whose text holds the target of an entry next to the run (data
//   just before the block reads as a string running into the real first
//   one), unless refusing it gives no table.
// - With no candidate, no X000 Offset given and an end byte seen before one
//   string only, the search runs again without an end byte: every in-band
//   target counts, the targets must rise in table order by at most 2 KiB, the
//   band is max(2 KiB, span) and 6 (2-byte) or 2 other strings are needed.
//   Without a given offset there is no such second search: any sorted table
//   fits two offsets under some offset.
// - Candidates are ranked by entries, then by the smaller X000 Offset (a
//   4-byte table read one byte off in the other byte order needs a huge one),
//   then by layout.
// - Address maps: without an X000 Offset every map is tried as well (or only
//   the map given), for the strided layouts (Game Boy and NES: 2-byte only),
//   seeded by entries pointing at the first given string with each usual
//   setting of the bits the map leaves alone (LoROM's bank bit 80 and address
//   bit 8000, HiROM's C0, ExHiROM's 40, NES's C000 window). A map's
//   candidate ranks after constant offsets' candidates of as many entries
//   and is dropped when one of them is the same table.
//
// What it gets wrong (measured on generated images: 1000 tables per layout):
// - Data right next to a 2-byte table whose value points at a string start
//   near the text joins the table, or a value pointing just below the text
//   stands in for the block's first string: 1 to 5 tables in 1000 with random
//   bytes around them (none with zero fill around them; none for 3- and
//   4-byte layouts). A second table over the same strings right next to the
//   first joins it.
// - A table is cut short at an entry pointing outside the band or far from
//   the others, at a string not preceded by the end byte (games with several
//   end codes), at more than 256 blank entries in a row or blanks of both
//   values, or at a second first string. A given string's entry with no
//   entry pointing at a string start within two strides (at a table's end,
//   next to repeated first-string entries; with the X000 Offset or a map
//   blanks in between are skipped) is not seen.
// - A table read at another alignment or byte order that still points at
//   string starts is listed too, after the real one (small tables whose text
//   lies within 256 bytes: a 4-byte table read one byte early).
// - Derived offsets of 3- and 4-byte tables can be missed when another entry
//   between the two given pointers has the same low 16 bits as one of them
//   (text spanning more than 64 KiB); the X000 Offset or other offsets avoid it.
// - Variation1: only the bank offsets above without a given offset, halves of
//   at most 1024 entries, and at most 2^18 (low, high) byte pairs tried per
//   offset (ROMs with long stretches of few byte values may exhaust them
//   before the table). A neighbour joining the run makes each placement of
//   the halves a candidate.

struct PointerSearchRequest {
    std::vector<std::int64_t> textOffsets;  // ROM offsets of strings the table points at; repeats count once
    std::optional<std::int32_t> xOffset;    // the X000 Offset, when known
    std::size_t maxCandidates = 20;
    std::optional<AddressMapKind> map = std::nullopt;  // the address map, when known (in place of the X000 Offset)
    // The byte that ends strings, when known: each text offset may then lie
    // inside its string and is first moved back to just after the nearest
    // such byte before it (to 0 when there is none).
    std::optional<std::uint8_t> endByte{};
};

struct PointerCandidate {
    TableType type = TableType::Regular2;
    std::int32_t tableStart = 0;
    std::int32_t tableEnd = 0;  // last byte of the last entry (Variation1: of the high half)
    std::int32_t xOffset = 0;
    std::int32_t entryCount = 0;
    std::int32_t textStart = 0;  // the lowest target
    std::int32_t textEnd = 0;    // the end byte ending the string at the highest target, or that target
    AddressMapKind map = AddressMapKind::None;  // found through a map: xOffset is 0
    std::optional<std::uint32_t> nullPointer{};  // the raw value of the table's empty entries, if it has any
    friend bool operator==(const PointerCandidate&, const PointerCandidate&) = default;
};

// No value when the request can be searched; otherwise the refusal: fewer than
// two different offsets without an X000 Offset (kPointerSearchNeedsOffsets),
// or an offset outside the ROM (kTextOffsetOutsideRom).
[[nodiscard]] std::optional<std::u16string_view> CheckPointerSearch(std::span<const std::uint8_t> rom,
                                                                     const PointerSearchRequest& request);

// The candidates, most entries first (then the smaller X000 Offset, layout
// order, Table Start), at most maxCandidates; a table found twice is listed
// once. Empty when nothing fits or when CheckPointerSearch refuses the request.
[[nodiscard]] std::vector<PointerCandidate> FindPointerTables(std::span<const std::uint8_t> rom,
                                                              const PointerSearchRequest& request);

// One line of the candidate list, without line end, tab-separated: table type
// name, Table Start, Table End, X000 Offset (the map's name for a map's
// candidate), entries, Text Start, Text End; in "%X" (negatives as eight
// digits), or in decimal when asked.
[[nodiscard]] std::u16string FormatPointerCandidate(const PointerCandidate& candidate, bool decimal);

// The command line that extracts a candidate: "quorvex-cli extract --rom ROM
// [--dec] --table-type NAME --table-start N --table-end N --text-start N
// --text-end N --x-offset N [--null-pointer N]" (--map NAME for a map's
// candidate), numbers as FormatPointerCandidate writes them.
// The path is quoted for a POSIX shell when it needs to be.
[[nodiscard]] std::u16string ExtractCommandLine(std::u16string_view romPath, const PointerCandidate& candidate,
                                                bool decimal);

}  // namespace quorvex
