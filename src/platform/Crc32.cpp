#include "platform/Crc32.h"

#ifdef __EMSCRIPTEN__
#include <array>
#else
#include <zlib.h>
#endif

namespace quorvex {

#ifdef __EMSCRIPTEN__
// The browser build has no zlib: the same reflected polynomial, a byte at a time.
std::uint32_t Crc32(std::span<const std::uint8_t> bytes) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> entries{};
        for (std::uint32_t byte = 0; byte < 256; ++byte) {
            std::uint32_t crc = byte;
            for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (crc & 1 ? 0xEDB88320u : 0);
            entries[byte] = crc;
        }
        return entries;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::uint8_t byte : bytes) crc = table[(crc ^ byte) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}
#else
std::uint32_t Crc32(std::span<const std::uint8_t> bytes) {
    return static_cast<std::uint32_t>(crc32_z(crc32_z(0, nullptr, 0), bytes.data(), bytes.size()));
}
#endif

}  // namespace quorvex
