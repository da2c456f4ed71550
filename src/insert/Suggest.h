#pragma once
// Dictionary entries suggested from a script: runs of its text that, each
// under a one-byte code of its own, make the text take fewer bytes.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quorvex {

class CharTable;

struct SuggestOptions {
    int count = 64;  // at most this many entries
    // The codes to give out, both ends included; without a range every byte
    // value. Codes the table uses (CharTable::UsesByte), bytes that stand
    // second or third in one of its keys and bytes the text writes as escapes
    // are never given out.
    std::optional<std::pair<std::uint8_t, std::uint8_t>> codes;
    int minLength = 2;  // characters of a run; below 2 counts as 2
    int maxLength = 2;
    bool shortest = false;  // measure the text with the shortest encoding instead of longest match
};

struct SuggestedEntry {
    std::uint8_t code = 0;
    std::u16string text;
    std::int64_t saving = 0;  // bytes fewer, measured with every entry before it already in the table
};

struct Suggestions {
    std::vector<SuggestedEntry> entries;  // in the order they were chosen
    std::int64_t bytesBefore = 0;         // the text lines encoded with the table
    std::int64_t bytesAfter = 0;          // ... and with the entries appended to it
    // A line the table cannot encode: its index and the position in it of the
    // character longest match stops at. No entries are suggested then.
    struct Unencodable {
        std::size_t line = 0;
        std::size_t at = 0;
    };
    std::optional<Unencodable> notInTable;
};

// Chooses entries greedily by what each saves when the whole text is
// re-encoded with the table, the entries chosen so far and that run appended
// (lines measured as Check Insert measures them: longest match, or the
// shortest encoding). Runs are measured in the order of what they last saved
// (an estimate before their first measurement); a round takes the first run
// whose saving, measured in that round, is still the greatest, so a saving
// printed is always the one measured. A run is 2 to maxLength characters of
// one text line that occurs at least twice, crosses no escape and no control
// code (an entry of the table whose text is bracketed: "[END]", "{name}",
// "<wait>"), holds no "=" and is not already an entry's text; a run whose
// every occurrence is part of one same longer run within maxLength is left to
// that one. Stops when the codes run out or no run saves a byte. `lines` are
// the text lines without their CR.
[[nodiscard]] Suggestions SuggestEntries(const CharTable& table, std::span<const std::u16string_view> lines,
                                         const SuggestOptions& options);

}  // namespace quorvex
