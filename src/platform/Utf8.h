#pragma once
// UTF-8 to and from wide text by hand, for the scripts and tables that pass
// through every command: a general converter costs several times as much per
// character on text that is nearly all letters.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quorvex {

// Wide text to UTF-8; an unpaired surrogate becomes U+FFFD.
[[nodiscard]] std::string EncodeUtf8(std::u16string_view text);
// The same, appended to bytes.
void AppendUtf8(std::string& bytes, std::u16string_view text);

// A text file in UTF-8 as DecodeTextFile reads it: up to the first zero byte,
// a leading byte-order mark dropped, every LF not preceded by CR read as CR
// LF. No value when the bytes are not well-formed UTF-8 (an overlong form, a
// surrogate, a sequence cut short...): the caller's general converter decides
// what those become.
[[nodiscard]] std::optional<std::u16string> DecodeUtf8TextFile(std::span<const std::uint8_t> bytes);

}  // namespace quorvex
