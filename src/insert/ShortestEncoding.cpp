#include "insert/ShortestEncoding.h"

#include "chartable/CharTable.h"
#include "chartable/TextMatcher.h"
#include "insert/Escape.h"

#include <algorithm>
#include <array>
#include <limits>
#include <vector>

namespace quorvex {
namespace {

using scriptwalk::EncodedCharacter;
using scriptwalk::EncodedLine;

// What a place no cover reaches from costs; any sum at or above it stands for
// the same. Far enough below the largest value that adding a step never wraps.
constexpr std::int64_t kUnreachable = std::numeric_limits<std::int64_t>::max() / 2;

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

// The cover's figures by place, kept between lines (a script is thousands of
// short lines) and grown, so most lines clear nothing; but not the memory of
// a very long line beyond the next.
struct Cover {
    std::vector<std::int64_t> cost;     // the least the characters from here on take
    std::vector<std::int64_t> longest;  // what longest match takes from here on
    std::vector<std::uint32_t> length;  // the cheapest first step
    std::vector<std::uint32_t> key;     // its bytes, packed as tableindex::PackKey packs them

    void Size(std::size_t places) {
        constexpr std::size_t kKept = std::size_t{1} << 16;
        if (cost.size() > kKept && places <= kKept) *this = Cover();
        if (cost.size() >= places) return;
        cost.resize(places);
        longest.resize(places);
        length.resize(places);
        key.resize(places);
    }
};

// Cheapest cover of the line, worked out from its end: cover.cost[i] is the
// least the characters from i on can take. Every match of the line is found
// in one pass from the end, and each place is decided as soon as its matches
// are known, a step per match. Matches come longest first and a tie goes to
// the earlier one, so the longest text wins among equal totals. costOf(first
// byte, byte count) gives what a step costs, negative when it cannot be taken.
// script[start, end) must lie in the script. The cover returned lasts until
// the next call.
template <class CostOf>
const Cover& Solve(std::u16string_view script, std::size_t start, std::size_t end, const CharTable& table,
                   const CostOf& costOf) {
    const std::size_t length = end - start;
    thread_local Cover cover;
    cover.Size(length + 1);
    std::int64_t* const cost = cover.cost.data();
    std::int64_t* const longest = cover.longest.data();
    cost[length] = 0;
    longest[length] = 0;
    // The place being decided, and what is known of it so far.
    std::size_t here = length;
    bool escape = false;
    bool first = true;
    std::int64_t best = kUnreachable;
    std::int64_t longestHere = kUnreachable;
    std::uint32_t bestLength = 0;
    std::uint32_t bestKey = 0;
    const auto begin = [&](std::size_t place) {
        here = place;
        escape = script[start + here] == u'<' && IsEscapeAt(script, start + here, end);
        first = true;
        best = kUnreachable;
        longestHere = kUnreachable;
        bestLength = 0;
        bestKey = 0;
    };
    // Each step is considered for the cheapest cover; the first, the longest,
    // is also the step longest match takes.
    const auto consider = [&](std::size_t step, std::uint32_t key) {
        const bool longestStep = first;
        first = false;
        const int stepCost = costOf(static_cast<std::uint8_t>(key >> 16), static_cast<int>((key >> 24) & 3u));
        if (stepCost < 0) return;
        if (longestStep) longestHere = std::min(longest[here + step] + stepCost, kUnreachable);
        const std::int64_t total = cost[here + step] + stepCost;
        if (total >= best) return;
        best = total;
        bestLength = static_cast<std::uint32_t>(step);
        bestKey = key;
    };
    // An escape wins over any entry at its place.
    const auto match = [&](std::size_t step, std::uint32_t key) {
        if (!escape) consider(step, key);
    };
    const auto done = [&](std::size_t) {
        if (escape) {
            const std::uint8_t value[3] = {EscapeValue(script, start + here), 0, 0};
            consider(kEscapeLength, tableindex::PackKey(value, 1));
        }
        cost[here] = best;
        longest[here] = longestHere;
        cover.length[here] = bestLength;
        cover.key[here] = bestKey;
        if (here > 0) begin(here - 1);
    };
    if (length > 0) begin(length - 1);
    table.Matcher().Scan(script.substr(start, length), match, done);
    return cover;
}

template <class CostOf>
EncodedLine Cheapest(std::u16string_view script, std::size_t start, std::size_t end, const CharTable& table,
                     const CostOf& costOf) {
    end = std::min(end, script.size());
    start = std::min(start, end);
    const std::size_t length = end - start;
    const Cover& cover = Solve(script, start, end, table, costOf);
    if (cover.cost[0] >= kUnreachable) return LongestMatch(script, start, end, table);

    EncodedLine line;
    line.end = end;
    if (cover.longest[0] < kUnreachable) line.longestCost = cover.longest[0];
    // Counted first: growing the list step by step copies it over and over.
    std::size_t steps = 0;
    for (std::size_t i = 0; i < length; i += cover.length[i]) ++steps;
    line.characters.resize(steps);
    EncodedCharacter* character = line.characters.data();
    for (std::size_t i = 0; i < length; i += cover.length[i], ++character) {
        const CharTable::TextMatch match = tableindex::UnpackKey(cover.key[i], 1);
        character->at = start + i;
        character->count = match.byteCount;
        for (std::size_t b = 0; b < 3; ++b) character->bytes[b] = match.bytes[b];
    }
    return line;
}

}  // namespace

EncodedLine EncodeShortestLine(std::u16string_view script, std::size_t start, std::size_t end,
                               const CharTable& table) {
    return Cheapest(script, start, end, table, [](std::uint8_t, int count) { return count; });
}

std::optional<std::int64_t> EncodeShortestBytes(std::u16string_view script, std::size_t start, std::size_t end,
                                                const CharTable& table, std::vector<std::uint8_t>& bytes) {
    end = std::min(end, script.size());
    start = std::min(start, end);
    const std::size_t length = end - start;
    const Cover& cover = Solve(script, start, end, table, [](std::uint8_t, int count) { return count; });
    if (cover.cost[0] >= kUnreachable) return std::nullopt;
    // A step gives at most three bytes: each writes three and keeps those it gives.
    bytes.resize(3 * length);
    std::uint8_t* out = bytes.data();
    for (std::size_t i = 0; i < length; i += cover.length[i]) {
        const std::uint32_t key = cover.key[i];
        out[0] = static_cast<std::uint8_t>(key >> 16);
        out[1] = static_cast<std::uint8_t>(key >> 8);
        out[2] = static_cast<std::uint8_t>(key);
        out += (key >> 24) & 3u;
    }
    bytes.resize(static_cast<std::size_t>(out - bytes.data()));
    return cover.longest[0] < kUnreachable ? cover.longest[0] : -1;
}

EncodedLine EncodeFewestBits(std::u16string_view script, std::size_t start, std::size_t end, const CharTable& table,
                             const CodeBits& codeBits) {
    // The callback may search the ROM, so each byte value is asked about once a line.
    constexpr int kNotAsked = -2;
    constexpr int kNoCode = -1;
    std::array<int, 0x100> bits;
    bits.fill(kNotAsked);
    // A Huffman code carries an entry's first byte only; an entry without bytes emits nothing.
    return Cheapest(script, start, end, table, [&](std::uint8_t first, int count) {
        if (count == 0) return 0;
        int& known = bits[first];
        if (known == kNotAsked) known = codeBits(first).value_or(kNoCode);
        return known;
    });
}

}  // namespace quorvex
