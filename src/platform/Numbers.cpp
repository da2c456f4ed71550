#include "platform/Numbers.h"

#include <cstdio>
#include <cwchar>

namespace quorvex {
namespace {

// swscanf works on wchar_t (32-bit here); the text is copied over unit by unit.
std::wstring ToWide(std::u16string_view text) {
    return std::wstring(text.begin(), text.end());
}

std::optional<std::int32_t> Scan(std::u16string_view text, const wchar_t* format, std::size_t* consumed) {
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

int ScanKeyBytes(std::u16string_view text, std::uint8_t (&bytes)[3]) {
    const std::wstring wide = ToWide(text);
    unsigned int values[3] = {0, 0, 0};
    const int count = std::swscanf(wide.c_str(), L"%02x%02x%02x", &values[0], &values[1], &values[2]);
    if (count <= 0) return 0;
    for (int i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(values[i]);
    return count;
}

std::u16string FormatHex(std::int32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%X", static_cast<unsigned int>(value));
    return Widen(buffer);
}

std::u16string FormatDec(std::int64_t value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(value));
    return Widen(buffer);
}

std::u16string FormatHex2(std::uint32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02X", value);
    return Widen(buffer);
}

std::u16string Widen(std::string_view ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

}  // namespace quorvex
