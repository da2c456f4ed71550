#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quorvex {

class CharTable;

// What Check Insert (and Test) found.
struct CheckReport {
    enum class Verdict { Fits, Under, Over, BadFile, Stopped };
    std::u16string text;  // the report exactly as the output box shows it
    Verdict verdict = Verdict::Stopped;
    std::int64_t total = 0;  // bytes the text takes (when the walk finished)
    // With shortest, Regular text: the bytes longest match would take, worked
    // out in the same walk; -1 when it would stop at some line. No value when
    // not measured (Huffman v2 text, or without shortest).
    std::optional<std::int64_t> longestTotal;
};

// Walks the script like Insert but writes nothing, and reports the total
// length against the text area. Huffman v2 text can only be measured with the
// ROM (its code table); without one the report says so. Where a character is
// not in the table, the report says where it stands, counting lines from the
// line that begins at firstLine (Test counts from its typed text). With
// shortest, each line is measured in the fewest bytes the table allows.
[[nodiscard]] CheckReport CheckInsert(const CharTable* table, std::u16string_view script,
                                      std::optional<std::span<const std::uint8_t>> rom = std::nullopt,
                                      std::size_t firstLine = 0, bool shortest = false);

}  // namespace quorvex
