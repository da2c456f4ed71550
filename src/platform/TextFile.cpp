// The rules of a table or script file that hold whichever converter decodes
// it: byte-order marks and line ends.
#include "platform/CodePage.h"
#include "platform/Utf8.h"

namespace quorvex {
namespace {

std::u16string DecodeUtf16(std::span<const std::uint8_t> bytes, bool bigEndian) {
    std::u16string text;
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        const char16_t unit = bigEndian ? static_cast<char16_t>((bytes[i] << 8) | bytes[i + 1])
                                        : static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
        if (unit == 0) break;
        text.push_back(unit);
    }
    return text;
}

// Files are read with a lone LF made CR LF and a lone CR kept as text, as
// scripts and tables have always been read.
std::u16string NormaliseLineEnds(std::u16string_view text) {
    std::u16string result;
    result.reserve(text.size() + text.size() / 32);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r')) result.push_back(u'\r');
        result.push_back(text[i]);
    }
    return result;
}

}  // namespace

std::u16string DecodeTextFile(std::span<const std::uint8_t> bytes, const TextDecoding& decoding) {
    // Well-formed UTF-8, nearly every file, is read by hand; anything else as the converter reads it.
    const bool utf16Mark =
        bytes.size() >= 2 && ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF));
    if (!utf16Mark && decoding.mode == ReadMode::UTF8)
        if (auto utf8 = DecodeUtf8TextFile(bytes)) return std::move(*utf8);
    std::u16string text;
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE)
        text = DecodeUtf16(bytes, false);
    else if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF)
        text = DecodeUtf16(bytes, true);
    else
        text = DecodeBytes(bytes, decoding);
    const std::u16string_view view =
        !text.empty() && text.front() == u'\uFEFF' ? std::u16string_view(text).substr(1) : std::u16string_view(text);
    return NormaliseLineEnds(view);
}

std::u16string RewriteLineEnds(std::u16string_view text, std::u16string_view lineEnd) {
    std::u16string result;
    result.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c != u'\r' && c != u'\n') {
            result.push_back(c);
            continue;
        }
        result += lineEnd;
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    }
    return result;
}

}  // namespace quorvex
