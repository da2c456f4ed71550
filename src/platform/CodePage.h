#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex {

// How the bytes of a text file become wide text: the code page number the
// Read Mode menu keeps.
enum class ReadMode : int {
    Ascii = 0,      // the system code page (windows-1252 unless another is named)
    UTF7 = 65000,
    UTF8 = 65001,
};

struct TextDecoding {
    ReadMode mode = ReadMode::UTF7;
    // The ICU converter that stands for the system code page in the Ascii mode.
    std::string systemCodePage = "windows-1252";
};

// True when ICU knows a converter of that name.
[[nodiscard]] bool IsKnownCodePage(const std::string& name);

// Converts bytes up to the first zero byte; invalid sequences become U+FFFD.
// Throws std::invalid_argument when the Ascii mode names a code page ICU does not know.
[[nodiscard]] std::u16string DecodeBytes(std::span<const std::uint8_t> bytes, const TextDecoding& decoding);

// Decodes a table or script file: a file starting with a UTF-16 byte-order
// mark is read as UTF-16 whatever the mode (up to its first zero unit);
// otherwise DecodeBytes. Then a leading U+FEFF is dropped and every LF not
// preceded by CR becomes CR LF.
[[nodiscard]] std::u16string DecodeTextFile(std::span<const std::uint8_t> bytes, const TextDecoding& decoding);

// The reverse of DecodeBytes: text to bytes in the read mode's encoding. No
// value when a character has no representation there. Throws
// std::invalid_argument when the Ascii mode names a code page ICU does not know.
[[nodiscard]] std::optional<std::vector<std::uint8_t>> EncodeBytes(std::u16string_view text,
                                                                   const TextDecoding& decoding);

// text with every line end (CR LF, a lone CR or a lone LF) written as lineEnd.
[[nodiscard]] std::u16string RewriteLineEnds(std::u16string_view text, std::u16string_view lineEnd);

// Wide text to UTF-8 (unpaired surrogates become U+FFFD) and back.
[[nodiscard]] std::string ToUtf8(std::u16string_view text);
[[nodiscard]] std::u16string FromUtf8(std::string_view text);

}  // namespace quorvex
