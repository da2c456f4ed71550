#pragma once
#include <cstdint>
#include <optional>
#include <span>

namespace quorvex {

// Multi-byte values at an offset of a byte image. Each returns no value when
// any of its bytes lies outside the image.
[[nodiscard]] std::optional<std::uint32_t> ReadU8(std::span<const std::uint8_t> bytes, std::int64_t offset);
[[nodiscard]] std::optional<std::uint32_t> ReadU16Le(std::span<const std::uint8_t> bytes, std::int64_t offset);
[[nodiscard]] std::optional<std::uint32_t> ReadU32Le(std::span<const std::uint8_t> bytes, std::int64_t offset);

// The value of width bytes (1 to 4) at offset, least / most significant byte
// first; no value when any of them lies outside the image.
[[nodiscard]] std::optional<std::uint32_t> ReadLe(std::span<const std::uint8_t> bytes, std::int64_t offset, int width);
[[nodiscard]] std::optional<std::uint32_t> ReadBe(std::span<const std::uint8_t> bytes, std::int64_t offset, int width);

// Writes the low width bytes of value at offset; false (nothing written) when
// any of them would lie outside the image.
[[nodiscard]] bool WriteLe(std::span<std::uint8_t> bytes, std::int64_t offset, int width, std::uint32_t value);
[[nodiscard]] bool WriteBe(std::span<std::uint8_t> bytes, std::int64_t offset, int width, std::uint32_t value);

}  // namespace quorvex
