#pragma once
// The parts of a ROM each job of a build claims, so that one job's text and
// pointers never land on another's.
#include "job/Script.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quorvex {

// An inclusive range of ROM offsets one job owns.
struct ClaimedArea {
    std::size_t job = 0;  // which job of the build claims it
    bool isTable = false;  // the pointer table; otherwise the text area
    std::int64_t first = 0;
    std::int64_t last = 0;
    std::u16string owner;  // the job's script, as the messages name it
};

// The text area (Text Start–Text End) and, for layouts that read a table
// and have one, the table (Table Start–Table End). An area whose end lies
// before its start claims nothing.
[[nodiscard]] std::vector<ClaimedArea> AreasOf(const ScriptHeader& header, std::size_t job, std::u16string_view owner);

// Two areas of different jobs that share bytes, and the bytes they share.
struct AreaClash {
    ClaimedArea first;
    ClaimedArea second;  // of a job after first's
    std::int64_t sharedFirst = 0;
    std::int64_t sharedLast = 0;
};
// The first clash, in the order of the areas given; no value when no two jobs share a byte.
[[nodiscard]] std::optional<AreaClash> FindClash(std::span<const ClaimedArea> areas);

// The first of areas that holds offset; null when none does.
[[nodiscard]] const ClaimedArea* AreaAt(std::span<const ClaimedArea> areas, std::int64_t offset);

}  // namespace quorvex
