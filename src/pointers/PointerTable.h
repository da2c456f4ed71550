#pragma once
#include "job/JobSettings.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace quorvex {

// One string's place: `address` is where it starts (for PascalLine its
// length); `location` is where its pointer lies (for Custom1 the string's
// length; 0 for the Scattered layouts; -1 when there is no table).
struct PointerEntry {
    std::int32_t address = 0;
    std::int32_t location = 0;
    friend bool operator==(const PointerEntry&, const PointerEntry&) = default;
};

inline constexpr std::size_t kMaxEntries = 65535;

// What ReadPointerTable found.
struct PointerTable {
    std::vector<PointerEntry> entries;
    // The job as the table completes it: Custom1 sets its X000 Offset (when 0),
    // Table Start and Table End from where its fixed table lies.
    JobSettings job;
    // True when the addresses are pointer values still to be sorted and moved
    // by the X000 Offset; false for layouts whose entries are final.
    bool addXOffset = true;
    // More than kMaxEntries entries were due: the job must be refused.
    bool tooManyEntries = false;
};

// Reads the entries of a layout from the ROM image. Nothing past the end of
// the image is read: an entry the image does not hold whole ends the table
// (Custom1 skips it). Types outside the known layouts give no entries.
[[nodiscard]] PointerTable ReadPointerTable(std::span<const std::uint8_t> rom, const JobSettings& job,
                                            TableType tableType);

// The exchange sort of the pointer list: for i < j, entries are swapped when
// j's address is below i's (signed). Same order as that procedure, faster.
void SortEntries(std::span<PointerEntry> entries);

// Single-precision rounding with halves upward: t = trunc(x); x - t < 0.5 ? t : trunc(x + 1).
[[nodiscard]] std::int32_t RoundHalfUp(float x);

}  // namespace quorvex
