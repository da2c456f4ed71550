#pragma once
// The character-table searches as first written down: each lookup a
// first-occurrence substring search over the whole framed table text. The
// tests compare the indexed lookups with these; the benchmarks measure them.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quorvex::literal {

// The table text framed by a LF in front and a CR behind.
[[nodiscard]] std::u16string FrameTable(std::u16string_view fileText);
[[nodiscard]] std::int32_t LongestTextLength(std::u16string_view framedText);

struct ByteMatch {
    std::u16string_view text;
    int byteCount = 0;
};
// Six searches at most: 3-, 2-, 1-byte keys, upper-case digits before lower-case.
[[nodiscard]] std::optional<ByteMatch> LookupBytes(std::u16string_view framedText, std::span<const std::uint16_t> bytes,
                                                   std::size_t p);

struct TextMatch {
    int length = 0;
    std::uint8_t bytes[3] = {0, 0, 0};
    int byteCount = 0;
};
// One search per candidate length, from the longest down; never past the line's CR.
[[nodiscard]] TextMatch LookupText(std::u16string_view framedText, std::u16string_view script, std::size_t pos,
                                   std::int32_t longestTextLength);

}  // namespace quorvex::literal
