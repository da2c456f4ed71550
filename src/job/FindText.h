#pragma once
#include <cstddef>
#include <string_view>

namespace quorvex {

// Index of the first occurrence of pattern in text, compared character by
// character without case folding; -1 when there is none, when either is
// empty, or when the pattern is longer than the text.
[[nodiscard]] long long FindText(std::u16string_view text, std::u16string_view pattern);

// Index of the first c in text at or after from; npos when there is none.
// What std::u16string_view::find(c, from) gives, at the speed of the C
// library's byte search: every script is searched for its line ends, line
// by line, and for its header keys from end to end.
[[nodiscard]] std::size_t FindCharacter(std::u16string_view text, char16_t c, std::size_t from = 0);

}  // namespace quorvex
