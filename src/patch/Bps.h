#pragma once
#include "patch/PatchTypes.h"

#include <cstdint>
#include <span>

namespace quorvex {

// A BPS patch from source to target. Unchanged stretches are read from the
// source at the same offset; changed ones are copied from elsewhere in the
// source or from the target already written when that is shorter than
// storing their bytes. TooLarge when either image is larger than
// kMaxPatchImage.
[[nodiscard]] PatchResult CreateBps(std::span<const std::uint8_t> source, std::span<const std::uint8_t> target);

// Applies a BPS patch to source. NotAPatch without "BPS1"; Damaged when the
// patch's own CRC32 is wrong, it is malformed or cut short, it declares a
// result larger than kMaxPatchImage, or the result's CRC32 is wrong;
// WrongSource when source has another size or CRC32 than the patch was made for.
[[nodiscard]] PatchResult ApplyBps(std::span<const std::uint8_t> patch, std::span<const std::uint8_t> source);

}  // namespace quorvex
