#pragma once
#include "job/CTextEngine.h"
#include "platform/Prompt.h"

#include <optional>
#include <string>
#include <string_view>

namespace quorvex {

class CharTable;

// The made-up script of Test: a header with no table, Text End = length - 1,
// then the text itself as the one body line.
[[nodiscard]] std::u16string MakeTestScript(std::u16string_view text);

// Test: measures one typed line through the table. Refuses a text of fewer
// than 2 characters with "You can't run this without some input text!" and
// returns no value then.
[[nodiscard]] std::optional<CheckReport> RunTest(std::u16string_view text, const CharTable* table, Prompt& prompt);

}  // namespace quorvex
