#pragma once
#include "platform/Prompt.h"

#include <cstdio>
#include <optional>
#include <string_view>

namespace quorvex::cli {

// Messages go to stderr, one per line. The over-the-limit question is answered
// by --yes / --no, else asked on the terminal when stdin is one, else No.
class CliPrompt : public Prompt {
public:
    explicit CliPrompt(std::optional<bool> answer = std::nullopt) : m_answer(answer) {}
    void notify(std::u16string_view text) override;
    bool askYesNo(std::u16string_view text) override;

private:
    std::optional<bool> m_answer;
};

// Writes wide text to a stream as UTF-8, exactly (CR LF kept).
void WriteUtf8(std::FILE* stream, std::u16string_view text);

}  // namespace quorvex::cli
