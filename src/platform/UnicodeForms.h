#pragma once
// UTF-8, UTF-16 and UTF-7 as ICU reads and writes them, invalid input
// included, for the build that has no ICU. An encoder gives no value where
// ICU's would stop: at an unpaired surrogate (UTF-7 takes every unit).
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quorvex::unicodeforms {

constexpr char16_t kReplacement = 0xFFFD;

inline bool IsLead(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
inline bool IsTrail(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

inline void AppendCodePoint(std::u16string& text, char32_t codePoint) {
    if (codePoint < 0x10000) {
        text.push_back(static_cast<char16_t>(codePoint));
        return;
    }
    text.push_back(static_cast<char16_t>(0xD7C0 + (codePoint >> 10)));
    text.push_back(static_cast<char16_t>(0xDC00 | (codePoint & 0x3FF)));
}

constexpr char32_t kUnpaired = 0x80000000u;

// Calls visit(code point) for each character, or visit(unit | kUnpaired)
// for an unpaired surrogate.
template <typename Visit>
void ForEachCodePoint(std::u16string_view text, Visit visit) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsLead(text[i]) && i + 1 < text.size() && IsTrail(text[i + 1])) {
            visit(0x10000 + ((char32_t{text[i]} - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else {
            visit(IsLead(text[i]) || IsTrail(text[i]) ? (text[i] | kUnpaired) : char32_t{text[i]});
        }
    }
}

[[nodiscard]] std::u16string DecodeUtf8(std::span<const std::uint8_t> bytes);
// UTF-8 as the code page "UTF-8" encodes it: no value for text holding an
// unpaired surrogate. (ToUtf8 writes U+FFFD for one instead: EncodeUtf8.)
[[nodiscard]] std::optional<std::string> EncodeUtf8Strict(std::u16string_view text);
// readMark: a leading byte-order mark chooses the order (and is dropped).
[[nodiscard]] std::u16string DecodeUtf16(std::span<const std::uint8_t> bytes, bool readMark, bool bigEndian);
[[nodiscard]] std::optional<std::string> EncodeUtf16(std::u16string_view text, bool writeMark, bool bigEndian);
[[nodiscard]] std::u16string DecodeUtf7(std::span<const std::uint8_t> bytes);
[[nodiscard]] std::string EncodeUtf7(std::u16string_view text);

}  // namespace quorvex::unicodeforms
