#pragma once
#include "patch/PatchTypes.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex {

// The format a patch path asks for by its extension, ".ips" or ".bps" in any
// case; no value for any other extension.
[[nodiscard]] std::optional<PatchFormat> PatchFormatForPath(std::string_view path);

// The format of patch bytes by their magic ("PATCH" or "BPS1"); no value when
// they start with neither.
[[nodiscard]] std::optional<PatchFormat> DetectPatchFormat(std::span<const std::uint8_t> patch);

// The size of the copier header an SNES image file starts with: 512 for
// ".smc", ".sfc", ".swc" and ".fig" files (in any case) whose size is 512
// over a multiple of 32 KiB, 0 for any other.
[[nodiscard]] std::size_t CopierHeaderSize(std::string_view path, std::size_t size);

// A patch that turns source into target. With a copierHeader size, when both
// images start with the same header of that size, a BPS patch describes them
// without it, so that it fits copies with and without the header; IPS patches
// always describe the whole files.
[[nodiscard]] PatchResult CreatePatchBytes(PatchFormat format, std::span<const std::uint8_t> source,
                                           std::span<const std::uint8_t> target, std::size_t copierHeader = 0);

// Applies patch, of either format, to source. NotAPatch when the magic is
// neither format's. With a copierHeader size, a BPS patch made for source
// without its first copierHeader bytes (by its size; then its CRC32 must
// match that part too) is applied to that part, the header kept in front of
// the result; otherwise the patch applies to the whole of source.
[[nodiscard]] PatchResult ApplyPatchBytes(std::span<const std::uint8_t> patch, std::span<const std::uint8_t> source,
                                          std::size_t copierHeader = 0);

}  // namespace quorvex
