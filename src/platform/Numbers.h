#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvex {

// Reads one number from the start of text as the C library's swscanf does with
// "%X" (hex: optional sign and 0x after white space) or "%i" (decimal, 0x hex,
// leading-0 octal). Characters after the number are ignored. No value when no
// number can be read.
[[nodiscard]] std::optional<std::int32_t> ScanHex(std::u16string_view text);
[[nodiscard]] std::optional<std::int32_t> ScanInt(std::u16string_view text);
// A number as the job fields are typed: ScanInt with decimal, ScanHex without.
[[nodiscard]] std::optional<std::int32_t> ScanNumber(std::u16string_view text, bool decimal);
// As ScanHex, and also reports how many characters the scan consumed.
[[nodiscard]] std::optional<std::int32_t> ScanHex(std::u16string_view text, std::size_t& consumed);

// The value of one hexadecimal digit, either case; -1 for any other character.
[[nodiscard]] int HexDigitValue(char16_t c);

// Up to three two-digit hexadecimal values read with "%02x%02x%02x"; returns
// how many were read (0 to 3) and stores their low bytes.
[[nodiscard]] int ScanKeyBytes(std::u16string_view text, std::uint8_t (&bytes)[3]);

// "%X": upper-case hex, no prefix; negatives as their eight-digit two's complement.
[[nodiscard]] std::u16string FormatHex(std::int32_t value);
// "%i"
[[nodiscard]] std::u16string FormatDec(std::int64_t value);
// "%02X"
[[nodiscard]] std::u16string FormatHex2(std::uint32_t value);
// "%0*X": upper-case hex of at least `digits` digits, zeros in front.
[[nodiscard]] std::u16string FormatHexDigits(std::uint32_t value, int digits);

// ASCII to wide text.
[[nodiscard]] std::u16string Widen(std::string_view ascii);

}  // namespace quorvex
