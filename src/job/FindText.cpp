#include "job/FindText.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace quorvex {

std::size_t FindCharacter(std::u16string_view text, char16_t c, std::size_t from) {
    if constexpr (std::endian::native != std::endian::little) return text.find(c, from);
    // The byte search finds c's low byte; a hit that is another character's
    // high byte, or the low byte of another character, is passed over.
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size() * 2;
    for (std::size_t at = from * 2; at < size;) {
        const void* hit = std::memchr(bytes + at, c & 0xFF, size - at);
        if (hit == nullptr) break;
        const auto offset = static_cast<std::size_t>(static_cast<const unsigned char*>(hit) - bytes);
        if (offset % 2 == 0 && text[offset / 2] == c) return offset / 2;
        at = offset + 1;
    }
    return std::u16string_view::npos;
}

long long FindText(std::u16string_view text, std::u16string_view pattern) {
    if (pattern.empty() || text.empty() || pattern.size() > text.size()) return -1;
    const std::size_t last = text.size() - pattern.size();
    for (std::size_t at = FindCharacter(text, pattern[0]); at <= last; at = FindCharacter(text, pattern[0], at + 1))
        if (text.substr(at, pattern.size()) == pattern) return static_cast<long long>(at);
    return -1;
}

}  // namespace quorvex
