#pragma once
#include <string>
#include <string_view>

namespace quorvex {

// The made-up script of Test: a header with no table, Text End = length - 1,
// then the text itself as the one body line. Check Insert of it measures the text.
[[nodiscard]] std::u16string MakeTestScript(std::u16string_view text);

}  // namespace quorvex
