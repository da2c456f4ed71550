#pragma once
#include <string_view>

namespace quorvex {

// The questions a command asks while it runs: the dialog shows a message box
// with Yes and No, the command line answers from its options or the terminal,
// tests answer from a list. Everything else a command says is in its result.
class Prompt {
public:
    virtual ~Prompt() = default;
    // A question with Yes and No buttons; true for Yes.
    [[nodiscard]] virtual bool askYesNo(std::u16string_view text) = 0;
};

}  // namespace quorvex
