#pragma once
// The lines of a table file as the indexes read them. Tables shared between
// translators mark some entries with a prefix: "/XX=TEXT" an end token,
// "*XX=TEXT" a line break (both with a default text when "=TEXT" is left
// out) and "$XX=TEXT,N" a control code followed by N parameter bytes. Those
// lines are rewritten as the plain entries they stand for; every other line
// stays as written.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex::tableindex {

// A "$" line: the "=" of its rewritten entry in the framed text, and how many
// parameter bytes follow the code.
struct LinkedEntry {
    std::size_t equals = 0;
    std::uint8_t parameters = 0;
};

struct TableLines {
    std::u16string framed;  // LF, the rewritten text, CR
    std::vector<LinkedEntry> linked;  // ascending by position
    // A line that names a table ("@NAME"), switches to another ("!XX=NAME,N")
    // or has a key of more than three bytes: none of these is read.
    bool hasUnreadLines = false;
};

[[nodiscard]] TableLines ReadTableLines(std::u16string_view fileText);

}  // namespace quorvex::tableindex
