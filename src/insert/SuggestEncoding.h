#pragma once
// How Suggest measures the text: every line encoded through the table and the
// entries appended to it so far, kept so that a candidate entry is measured
// by re-encoding only around the places where its text stands.
#include "insert/Escape.h"

#include <algorithm>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex {
class CharTable;
}

namespace quorvex::suggest {

// Far below the type's end, so that adding the bytes of a step cannot overflow.
inline constexpr std::int64_t kUnreachable = std::numeric_limits<std::int64_t>::max() / 4;

// What the table offers at one place of the text.
struct TableMatch {
    std::uint32_t length = 0;
    std::uint32_t bytes = 0;
};

// The text lines end to end, with every match the table offers at every place.
// The table never changes while entries are chosen (they are appended after
// all its lines, and a text it holds is never appended, so everything it
// matches keeps its bytes), so this is worked out once and each re-encoding
// reads it instead of searching the table again.
struct Text {
    std::u16string chars;
    std::vector<std::size_t> lineStart;     // one more than there are lines
    std::vector<std::uint32_t> lineOf;      // per place
    std::vector<char> escapeAt;             // per place: an escape starts here
    // Per place: inside the text of a control code, an entry the table
    // matches there whose text is bracketed ("[END]", "{name}", "<wait>").
    std::vector<char> inControl;
    std::vector<std::uint32_t> matchStart;  // per place, one more: its matches in `matches`
    std::vector<TableMatch> matches;        // shortest first
    std::size_t longestMatch = kEscapeLength;
    std::bitset<0x100> escapeBytes;

    Text(const CharTable& table, std::span<const std::u16string_view> lines);

    [[nodiscard]] std::size_t lineCount() const { return lineStart.size() - 1; }
    [[nodiscard]] bool HasMatchOfLength(std::size_t at, std::size_t length) const {
        for (std::uint32_t m = matchStart[at]; m < matchStart[at + 1]; ++m)
            if (matches[m].length == length) return true;
        return false;
    }
};

// The entries appended to the table, each one byte, looked up by their first
// two characters (every appended text has two or more).
class Appended {
public:
    void Push(std::u16string_view text);
    // Takes back the last text pushed.
    void Pop();
    [[nodiscard]] std::size_t longest() const { return m_longest; }
    // Calls visit(length) for every appended text at `at`, longest first, until it returns false.
    template <class Visit>
    void ForEachAt(const std::u16string& chars, std::size_t at, std::size_t end, Visit&& visit) const {
        if (end - at < 2) return;
        const std::uint32_t list = m_listOf[Key(chars[at], chars[at + 1])];
        if (list == 0) return;
        for (const std::uint32_t index : m_lists[list - 1]) {
            const std::u16string& text = m_texts[index];
            if (text.size() <= end - at && std::equal(text.begin(), text.end(), chars.begin() + at) &&
                !visit(text.size()))
                return;
        }
    }

private:
    static std::size_t Key(char16_t first, char16_t second) {
        return (first * 0x9E3779B1u ^ second * 0x85EBCA77u) >> 16;
    }

    std::vector<std::u16string> m_texts;
    std::vector<std::vector<std::uint32_t>> m_lists;
    std::vector<std::uint32_t> m_listOf = std::vector<std::uint32_t>(0x10000, 0);  // list + 1 per key
    std::size_t m_longest = 0;
};

struct Step {
    std::uint32_t length = 0;  // 0: nothing matches
    std::uint32_t bytes = 0;
};

// What longest match takes at `at`.
[[nodiscard]] Step LongestStep(const Text& text, const Appended& appended, std::size_t at, std::size_t end);

// The text as it is encoded now, kept so that a candidate is measured, and
// then taken, by re-encoding only around the places its text stands.
class Encoding {
public:
    // `shortest`: lines are measured with the fewest bytes, else by longest match.
    Encoding(const Text& text, bool shortest);

    [[nodiscard]] std::int64_t lineBytes(std::size_t line) const { return m_lineBytes[line]; }

    // Encodes the line with the table alone. False when it cannot be encoded.
    bool Encode(const Appended& appended, std::size_t line);

    // The bytes the text takes fewer with `appended` (the entries taken and
    // the candidate last) than now; `places`: every place where the
    // candidate's text starts, ascending. With `take` the encoding becomes
    // the one with the candidate. No value (and nothing taken) when longest
    // match would meet a place where nothing matches.
    [[nodiscard]] std::optional<std::int64_t> Change(const Appended& appended, std::span<const std::uint32_t> places,
                                                     bool take);

private:
    [[nodiscard]] std::int64_t After(std::size_t at, std::size_t end) const { return at == end ? 0 : m_after[at]; }
    [[nodiscard]] std::optional<std::int64_t> LongestChange(const Appended& appended,
                                                            std::span<const std::uint32_t> places, std::size_t line,
                                                            bool take);
    std::int64_t ShortestChange(const Appended& appended, std::span<const std::uint32_t> places, std::size_t line,
                                bool take);

    const Text& m_text;
    bool m_shortest;
    std::vector<std::int64_t> m_lineBytes;
    // Longest match: the step the walk takes at each place it stands at (length 0 elsewhere).
    std::vector<Step> m_steps;
    // Shortest: the least bytes from each place to its line's end.
    std::vector<std::int64_t> m_after;
    std::vector<std::pair<std::size_t, Step>> m_fresh;
    std::vector<std::int64_t> m_freshAfter;
};

}  // namespace quorvex::suggest
