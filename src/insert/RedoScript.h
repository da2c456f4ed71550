#pragma once
#include "job/JobSettings.h"
#include "job/Script.h"

#include <cstdint>

namespace quorvex {

// The job ReDo Script extracts again: the header's numbers, with the End
// Dialog Command's length taken from its HuffTable value. Without a HuffTable
// line a Scattered job has no command; a length of 0 makes its whole text area
// one string instead of guessing.
[[nodiscard]] JobSettings RedoJob(const ScriptHeader& header);

// commandLength from a HuffTable value, compared signed: below 0x100 gives 1,
// below 0x10000 2, below 0x1000000 3, otherwise 4.
[[nodiscard]] std::int32_t CommandLengthFromValue(std::int32_t huffTable);

}  // namespace quorvex
