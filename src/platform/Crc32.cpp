#include "platform/Crc32.h"

#include <zlib.h>

namespace quorvex {

std::uint32_t Crc32(std::span<const std::uint8_t> bytes) {
    return static_cast<std::uint32_t>(crc32_z(crc32_z(0, nullptr, 0), bytes.data(), bytes.size()));
}

}  // namespace quorvex
