#pragma once
#include "patch/PatchTypes.h"

#include <cstdint>
#include <span>

namespace quorvex {

// An IPS patch from source to target: "PATCH", records for every byte that
// differs (run-length records where they are shorter), "EOF", and the 3-byte
// size when target is shorter than source. PastSixteenMiB when a differing
// byte lies at or past 16 MiB; SizePastSixteenMiB when a shorter target's
// size does not fit in three bytes.
[[nodiscard]] PatchResult CreateIps(std::span<const std::uint8_t> source, std::span<const std::uint8_t> target);

// Applies an IPS patch to source. NotAPatch without "PATCH" at the start;
// Damaged when a record or the size after "EOF" is cut short, "EOF" is
// missing, a run is empty, or anything but a 3-byte size follows "EOF".
[[nodiscard]] PatchResult ApplyIps(std::span<const std::uint8_t> patch, std::span<const std::uint8_t> source);

}  // namespace quorvex
