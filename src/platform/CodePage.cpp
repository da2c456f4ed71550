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

}  // namespace quorvex
