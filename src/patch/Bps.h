#pragma once
#include "patch/PatchTypes.h"

#include <cstdint>
#include <optional>
#include <span>

namespace quorvex {

// A BPS patch from source to target. Unchanged stretches are read from the
// source at the same offset; changed ones are copied from elsewhere in the
// source or from the target already written when that is shorter than
// storing their bytes. The same images always give the same patch.
// TooLarge when either image is larger than kMaxPatchImage.
[[nodiscard]] PatchResult CreateBps(std::span<const std::uint8_t> source, std::span<const std::uint8_t> target);

struct BpsHeader {
    std::uint64_t sourceSize = 0;
    std::uint64_t targetSize = 0;
};

// The sizes a BPS patch declares after "BPS1", without checking any CRC32;
// no value without the magic, or when they or the metadata after them are
// cut short or malformed.
[[nodiscard]] std::optional<BpsHeader> ReadBpsHeader(std::span<const std::uint8_t> patch);

// Applies a BPS patch to source. NotAPatch without "BPS1"; Damaged when the
// patch's own CRC32 is wrong, it is malformed or cut short, it declares a
// result larger than kMaxPatchImage, or the result's CRC32 is wrong;
// WrongSource when source has another size or CRC32 than the patch was made for.
[[nodiscard]] PatchResult ApplyBps(std::span<const std::uint8_t> patch, std::span<const std::uint8_t> source);

}  // namespace quorvex
