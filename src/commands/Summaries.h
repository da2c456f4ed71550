#pragma once
// What a front end shows of a loaded file at a glance.
#include "chartable/CharTable.h"

#include <cstddef>
#include <optional>
#include <string_view>

namespace quorvex::commands {

// The table's entry lines: those that start with 2, 4 or 6 hexadecimal digits
// of one case and "=" (the lines a lookup can find, duplicates included).
[[nodiscard]] std::size_t CountTableEntries(const CharTable& table);

// The blocks of a script's body as Insert walks them (a repeat line is a
// block of its own), up to a malformed line if there is one. No value when
// the text is not a script (no complete header or no dash line).
[[nodiscard]] std::optional<std::size_t> CountScriptBlocks(std::u16string_view script);

}  // namespace quorvex::commands
