#pragma once
#include <cstdint>
#include <span>

namespace quorvex {

// The CRC32 of bytes (the polynomial of zlib, PNG and the patch formats).
[[nodiscard]] std::uint32_t Crc32(std::span<const std::uint8_t> bytes);

}  // namespace quorvex
