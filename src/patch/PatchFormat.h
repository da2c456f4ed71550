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

// A patch that turns source into target.
[[nodiscard]] PatchResult CreatePatchBytes(PatchFormat format, std::span<const std::uint8_t> source,
                                           std::span<const std::uint8_t> target);

// Applies patch, of either format, to source. NotAPatch when the magic is
// neither format's.
[[nodiscard]] PatchResult ApplyPatchBytes(std::span<const std::uint8_t> patch, std::span<const std::uint8_t> source);

}  // namespace quorvex
