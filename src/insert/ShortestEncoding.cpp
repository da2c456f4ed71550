#include "insert/ShortestEncoding.h"

#include "chartable/CharTable.h"
#include "insert/Escape.h"

#include <algorithm>
#include <array>
#include <limits>
#include <vector>

namespace quorvex {
namespace {

using scriptwalk::EncodedCharacter;
using scriptwalk::EncodedLine;

constexpr std::int64_t kUnreachable = std::numeric_limits<std::int64_t>::max();

EncodedCharacter Entry(std::size_t at, const CharTable::TextMatch& match) {
    EncodedCharacter character;
    character.at = at;
    character.count = std::clamp(match.byteCount, 0, 3);
    std::copy_n(match.bytes, 3, character.bytes);
    return character;
}

// Longest match, for lines the cheapest choice cannot encode: its failure is
// the one to report.
EncodedLine LongestMatch(std::u16string_view script, std::size_t start, std::size_t end, const CharTable& table) {
    EncodedLine line;
    line.end = end;
    // The lookup reads no further than the view it is given: the line.
    const std::u16string_view upToEnd = script.substr(0, end);
    std::size_t cursor = start;
    while (cursor < end) {
        if (IsEscapeAt(script, cursor, end)) {
            line.characters.push_back(scriptwalk::EscapeCharacter(script, cursor));
            cursor += kEscapeLength;
            continue;
        }
        const CharTable::TextMatch match = table.LookupText(upToEnd, cursor, table.longestTextLength());
        if (match.length <= 0) {
            line.notInTableAt = cursor;
            return line;
        }
        line.characters.push_back(Entry(cursor, match));
        cursor += static_cast<std::size_t>(match.length);
    }
    return line;
}

// Cheapest cover of the line, worked out from its end: choice[i].cost is the
// least the characters from i on can take. Each place is decided once, from
// the matches the table gives there, so the work is one FindTextMatches per
// character plus a step per match, and less for the characters that begin
// no longer entry (most of them), which have one match at most. Matches come
// shortest first and a tie goes to the later one, so the longest text wins
// among equal totals. costOf(first byte, byte count) gives what a step costs,
// no value when it cannot be taken.
template <class CostOf>
EncodedLine Cheapest(std::u16string_view script, std::size_t start, std::size_t end, const CharTable& table,
                     const CostOf& costOf) {
    end = std::min(end, script.size());
    start = std::min(start, end);
    const std::size_t length = end - start;
    struct Choice {
        std::int64_t cost;
        std::int64_t longest;  // what longest match takes from here on
        std::uint32_t length;
        std::uint8_t bytes[3];
        std::uint8_t count;
    };
    // Kept between lines, as a script is thousands of short lines; not the
    // memory of a very long one.
    thread_local std::vector<Choice> kept;
    std::vector<Choice> own;
    std::vector<Choice>& choice = length < (std::size_t{1} << 16) ? kept : own;
    thread_local std::vector<CharTable::TextMatch> matches;
    choice.resize(length + 1);
    choice[length] = {0, 0, 0, {0, 0, 0}, 0};
    const auto plus = [](std::optional<int> step, std::int64_t rest) {
        return step && rest != kUnreachable ? *step + rest : kUnreachable;
    };
    // Each match is considered as a step of the cheapest cover; the last, the
    // longest, is also the step longest match takes.
    // The bytes are kept only where they cannot be looked up again cheaply:
    // `keepBytes` false for a character's one match, which the cover asks for
    // again (copying them for every character costs more than that).
    const auto consider = [&](Choice& here, std::size_t i, const CharTable::TextMatch& match, bool longest,
                              bool keepBytes) {
        const std::size_t step = static_cast<std::size_t>(match.length);
        const auto count = static_cast<std::uint8_t>(std::clamp(match.byteCount, 0, 3));
        const std::optional<int> bits = costOf(match.bytes[0], count);
        if (longest) here.longest = plus(bits, choice[i + step].longest);
        const std::int64_t cost = plus(bits, choice[i + step].cost);
        if (cost == kUnreachable || cost > here.cost) return;
        here.cost = cost;
        here.length = static_cast<std::uint32_t>(step);
        here.count = count;
        // Byte by byte: a three-byte copy becomes a call to memmove.
        if (keepBytes)
            for (std::size_t b = 0; b < 3; ++b) here.bytes[b] = match.bytes[b];
    };
    for (std::size_t i = length; i-- > 0;) {
        const std::size_t at = start + i;
        Choice& here = choice[i];
        here.cost = kUnreachable;
        here.longest = kUnreachable;
        if (IsEscapeAt(script, at, end)) {
            CharTable::TextMatch escape;
            escape.length = static_cast<int>(kEscapeLength);
            escape.bytes[0] = EscapeValue(script, at);
            escape.byteCount = 1;
            consider(here, i, escape, true, true);
            continue;
        }
        if (CharTable::TextMatch only; table.OnlyMatchOf(script[at], only)) {
            if (only.length > 0) consider(here, i, only, true, false);
            continue;
        }
        table.FindTextMatches(script, at, end, matches);
        for (std::size_t m = 0; m < matches.size(); ++m)
            consider(here, i, matches[m], m + 1 == matches.size(), true);
    }
    if (choice[0].cost == kUnreachable) return LongestMatch(script, start, end, table);

    EncodedLine line;
    line.end = end;
    if (choice[0].longest != kUnreachable) line.longestCost = choice[0].longest;
    // Counted first: growing the list step by step copies it over and over.
    std::size_t steps = 0;
    for (std::size_t i = 0; i < length; i += choice[i].length) ++steps;
    line.characters.reserve(steps);
    for (std::size_t i = 0; i < length; i += choice[i].length) {
        // Filled in place: a copy through the stack stalls on its pieces.
        EncodedCharacter& character = line.characters.emplace_back();
        character.at = start + i;
        character.count = choice[i].count;
        CharTable::TextMatch only;
        const bool single = !IsEscapeAt(script, start + i, end) && table.OnlyMatchOf(script[start + i], only);
        // Byte by byte: the match was written so, and one wider read of it would stall.
        for (std::size_t b = 0; b < 3; ++b) character.bytes[b] = single ? only.bytes[b] : choice[i].bytes[b];
    }
    return line;
}

}  // namespace

EncodedLine EncodeShortestLine(std::u16string_view script, std::size_t start, std::size_t end,
                               const CharTable& table) {
    return Cheapest(script, start, end, table, [](std::uint8_t, int count) -> std::optional<int> { return count; });
}

EncodedLine EncodeFewestBits(std::u16string_view script, std::size_t start, std::size_t end, const CharTable& table,
                             const CodeBits& codeBits) {
    // The callback may search the ROM, so each byte value is asked about once a line.
    constexpr int kNotAsked = -2;
    constexpr int kNoCode = -1;
    std::array<int, 0x100> bits;
    bits.fill(kNotAsked);
    // A Huffman code carries an entry's first byte only; an entry without bytes emits nothing.
    return Cheapest(script, start, end, table, [&](std::uint8_t first, int count) -> std::optional<int> {
        if (count == 0) return 0;
        int& known = bits[first];
        if (known == kNotAsked) known = codeBits(first).value_or(kNoCode);
        if (known == kNoCode) return std::nullopt;
        return known;
    });
}

}  // namespace quorvex
