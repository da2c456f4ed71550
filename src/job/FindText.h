#pragma once
#include <string_view>

namespace quorvex {

// Index of the first occurrence of pattern in text, compared character by
// character without case folding; -1 when there is none, when either is
// empty, or when the pattern is longer than the text.
[[nodiscard]] long long FindText(std::u16string_view text, std::u16string_view pattern);

}  // namespace quorvex
