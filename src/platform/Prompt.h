#pragma once
#include <string_view>

namespace quorvex {

// Every message box of the engine goes through this: the dialog shows real
// message boxes, the command line writes to the terminal, tests record.
class Prompt {
public:
    virtual ~Prompt() = default;
    // A message with an OK button.
    virtual void notify(std::u16string_view text) = 0;
    // A question with Yes and No buttons; true for Yes.
    [[nodiscard]] virtual bool askYesNo(std::u16string_view text) = 0;
};

}  // namespace quorvex
