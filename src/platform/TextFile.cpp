// The rules of a table or script file that hold whichever converter decodes
// it: byte-order marks and line ends.
#include "platform/CodePage.h"

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

}  // namespace quorvex
