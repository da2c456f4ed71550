#pragma once
// The escapes of a text line: "<XX>" writes the byte XX whatever the table holds.
#include "platform/Numbers.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quorvex {

inline constexpr std::size_t kEscapeLength = 4;  // "<XX>"

// An escape starts at pos when a "<" stands there and a ">" three characters
// on, before the line's end.
[[nodiscard]] inline bool IsEscapeAt(std::u16string_view script, std::size_t pos, std::size_t lineEnd) {
    return pos + 3 < lineEnd && script[pos] == u'<' && script[pos + 3] == u'>';
}

// The byte of the escape at pos: up to two hexadecimal digits after the "<",
// 0 when none follows (so "<GH>" is the byte 0).
[[nodiscard]] inline std::uint8_t EscapeValue(std::u16string_view script, std::size_t pos) {
    int value = 0;
    for (std::size_t i = pos + 1; i < pos + 3; ++i) {
        const int digit = HexDigitValue(script[i]);
        if (digit < 0) break;
        value = value * 16 + digit;
    }
    return static_cast<std::uint8_t>(value);
}

}  // namespace quorvex
