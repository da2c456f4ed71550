#include "platform/Numbers.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>

namespace quorvex {
namespace {

// swscanf works on wchar_t (32-bit here); the text is copied over unit by unit
// up to the first that is not ASCII. No number reaches past one, and some C
// libraries (the browser build's) first turn the whole text into the C
// locale's bytes and read nothing at all when one of them cannot be.
std::wstring ToWide(std::u16string_view text) {
    const auto end = std::find_if(text.begin(), text.end(), [](char16_t c) { return c > 0x7F; });
    return std::wstring(text.begin(), end);
}

// What "%X" reads from text that starts with a short run of plain digits:
// every pointer line of a script does, and this spares the copy and the scan.
// No value when the text is anything else (white space, a sign, a "0x"
// prefix, a run long enough to overflow); the scan then decides.
std::optional<std::uint32_t> PlainHex(std::u16string_view text, std::size_t& used) {
    std::uint32_t value = 0;
    std::size_t digits = 0;
    while (digits < text.size() && digits < 8) {
        const int digit = HexDigitValue(text[digits]);
        if (digit < 0) break;
        value = value << 4 | static_cast<std::uint32_t>(digit);
        ++digits;
    }
    if (digits == 0 || digits == 8) return std::nullopt;
    if (digits < text.size() && (text[digits] == u'x' || text[digits] == u'X') && digits == 1 && text[0] == u'0')
        return std::nullopt;
    used = digits;
    return value;
}

std::optional<std::int32_t> Scan(std::u16string_view text, const wchar_t* format, std::size_t* consumed) {
    if (format[1] == L'X') {
        std::size_t plainUsed = 0;
        if (const auto plain = PlainHex(text, plainUsed)) {
            if (consumed) *consumed = plainUsed;
            return static_cast<std::int32_t>(*plain);
        }
    }
    const std::wstring wide = ToWide(text);
    if (format[1] == L'X') {
        unsigned int value = 0;
        int used = 0;
        if (std::swscanf(wide.c_str(), L"%X%n", &value, &used) != 1) return std::nullopt;
        if (consumed) *consumed = static_cast<std::size_t>(used);
        return static_cast<std::int32_t>(value);
    }
    int value = 0;
    if (std::swscanf(wide.c_str(), L"%i", &value) != 1) return std::nullopt;
    return value;
}

}  // namespace

std::optional<std::int32_t> ScanHex(std::u16string_view text) {
    return Scan(text, L"%X", nullptr);
}

std::optional<std::int32_t> ScanHex(std::u16string_view text, std::size_t& consumed) {
    return Scan(text, L"%X", &consumed);
}

std::optional<std::int32_t> ScanInt(std::u16string_view text) {
    return Scan(text, L"%i", nullptr);
}

int HexDigitValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    return -1;
}

int ScanKeyBytes(std::u16string_view text, std::uint8_t (&bytes)[3]) {
    const std::wstring wide = ToWide(text);
    unsigned int values[3] = {0, 0, 0};
    const int count = std::swscanf(wide.c_str(), L"%02x%02x%02x", &values[0], &values[1], &values[2]);
    if (count <= 0) return 0;
    for (int i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(values[i]);
    return count;
}

namespace {

// Upper-case hexadecimal with at least minDigits digits, as "%X" and "%02X"
// write it; by hand, as Extract writes one for every pointer and escape.
std::u16string HexDigits(std::uint32_t value, int minDigits) {
    constexpr int kMostDigits = 8;
    char16_t digits[kMostDigits];
    int count = 0;
    do {
        digits[kMostDigits - 1 - count++] = u"0123456789ABCDEF"[value & 0xF];
        value >>= 4;
    } while (value != 0);
    std::u16string text(static_cast<std::size_t>(std::max(minDigits - count, 0)), u'0');
    return text.append(digits + kMostDigits - count, digits + kMostDigits);
}

}  // namespace

std::u16string FormatHex(std::int32_t value) {
    return HexDigits(static_cast<std::uint32_t>(value), 1);
}

std::u16string FormatDec(std::int64_t value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(value));
    return Widen(buffer);
}

std::u16string FormatHex2(std::uint32_t value) {
    return HexDigits(value, 2);
}

std::optional<std::int32_t> ScanNumber(std::u16string_view text, bool decimal) {
    return decimal ? ScanInt(text) : ScanHex(text);
}

std::u16string FormatHexDigits(std::uint32_t value, int digits) {
    return HexDigits(value, digits);
}

std::u16string Widen(std::string_view ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

}  // namespace quorvex
