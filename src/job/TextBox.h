#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace quorvex {

// The game's text box: how many characters a line holds, and the table
// texts that start a new line in it.
struct TextBox {
    std::int64_t maxWidth = 0;
    std::vector<std::u16string> breaks;
};

}  // namespace quorvex
