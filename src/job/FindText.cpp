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
    // Searched by the pattern's last character: a header key ends in a tab,
    // which text lines hardly ever hold, while its first letter's byte is
    // common in text (as the high byte of a whole block of CJK characters).
    const std::size_t before = pattern.size() - 1;
    for (std::size_t end = FindCharacter(text, pattern.back(), before); end != std::u16string_view::npos;
         end = FindCharacter(text, pattern.back(), end + 1))
        if (text.substr(end - before, pattern.size()) == pattern) return static_cast<long long>(end - before);
    return -1;
}

}  // namespace quorvex
