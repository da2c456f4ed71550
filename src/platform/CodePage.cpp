#include "platform/CodePage.h"

#include "platform/Utf8.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <memory>
#include <stdexcept>
#include <vector>

namespace quorvex {
namespace {

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

Converter OpenConverter(const std::string& name) {
    UErrorCode status = U_ZERO_ERROR;
    Converter converter(ucnv_open(name.c_str(), &status));
    if (U_FAILURE(status)) return nullptr;
    return converter;
}

std::string ConverterName(const TextDecoding& decoding) {
    switch (decoding.mode) {
    case ReadMode::UTF7: return "UTF-7";
    case ReadMode::UTF8: return "UTF-8";
    case ReadMode::Ascii: break;
    }
    return decoding.systemCodePage;
}

std::u16string Convert(UConverter* converter, std::span<const std::uint8_t> bytes) {
    // ICU's default callback substitutes U+FFFD for every invalid sequence.
    std::u16string text(bytes.size() * 2 + 16, u'\0');
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = ucnv_toUChars(converter, text.data(), static_cast<int32_t>(text.size()),
                                         reinterpret_cast<const char*>(bytes.data()),
                                         static_cast<int32_t>(bytes.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        text.assign(static_cast<std::size_t>(length) + 1, u'\0');
        status = U_ZERO_ERROR;
        ucnv_toUChars(converter, text.data(), static_cast<int32_t>(text.size()),
                      reinterpret_cast<const char*>(bytes.data()), static_cast<int32_t>(bytes.size()), &status);
    }
    if (U_FAILURE(status)) throw std::runtime_error("text conversion failed");
    text.resize(static_cast<std::size_t>(length));
    return text;
}

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

bool IsKnownCodePage(const std::string& name) {
    return OpenConverter(name) != nullptr;
}

std::u16string DecodeBytes(std::span<const std::uint8_t> bytes, const TextDecoding& decoding) {
    std::size_t length = 0;
    while (length < bytes.size() && bytes[length] != 0) ++length;
    const std::string name = ConverterName(decoding);
    const Converter converter = OpenConverter(name);
    if (!converter) throw std::invalid_argument("The code page \"" + name + "\" is not known.");
    return Convert(converter.get(), bytes.first(length));
}

std::u16string DecodeTextFile(std::span<const std::uint8_t> bytes, const TextDecoding& decoding) {
    // Well-formed UTF-8, nearly every file, is read by hand; anything else as ICU reads it.
    const bool utf16Mark = bytes.size() >= 2 && ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF));
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

std::optional<std::vector<std::uint8_t>> EncodeBytes(std::u16string_view text, const TextDecoding& decoding) {
    const std::string name = ConverterName(decoding);
    const Converter converter = OpenConverter(name);
    if (!converter) throw std::invalid_argument("The code page \"" + name + "\" is not known.");
    if (text.empty()) return std::vector<std::uint8_t>{};
    // Stop instead of writing a substitute: a character the file cannot hold must not change silently.
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setFromUCallBack(converter.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    std::vector<std::uint8_t> bytes(text.size() * 4 + 16);
    const auto convert = [&] {
        status = U_ZERO_ERROR;
        ucnv_resetFromUnicode(converter.get());
        return ucnv_fromUChars(converter.get(), reinterpret_cast<char*>(bytes.data()),
                               static_cast<int32_t>(bytes.size()), text.data(), static_cast<int32_t>(text.size()),
                               &status);
    };
    int32_t length = convert();
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        bytes.resize(static_cast<std::size_t>(length) + 1);
        length = convert();
    }
    if (U_FAILURE(status)) return std::nullopt;
    bytes.resize(static_cast<std::size_t>(length));
    return bytes;
}

std::string ToUtf8(std::u16string_view text) {
    return EncodeUtf8(text);
}

std::u16string FromUtf8(std::string_view text) {
    std::u16string wide(text.size() + 1, u'\0');
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = 0;
    u_strFromUTF8WithSub(wide.data(), static_cast<int32_t>(wide.size()), &length, text.data(),
                         static_cast<int32_t>(text.size()), 0xFFFD, nullptr, &status);
    if (U_FAILURE(status)) throw std::runtime_error("text conversion failed");
    wide.resize(static_cast<std::size_t>(length));
    return wide;
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
