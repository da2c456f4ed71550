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

// What is known of one place of the line: the cheapest first step from it
// and what it leads to. Held together, as the step at a place reads and
// writes all of them.
struct Place {
    std::int64_t cost = kUnreachable;     // the least the characters from here on take
    std::int64_t longest = kUnreachable;  // what longest match takes from here on
    std::uint32_t length = 0;             // the cheapest first step
    std::uint32_t key = 0;                // its bytes, packed as tableindex::PackKey packs them
};

// The cover's places, kept between lines (a script is thousands of short
// lines) and grown, so most lines clear nothing; but not the memory of a very
// long line beyond the next.
struct Cover {
    std::vector<Place> places;

    void Size(std::size_t count) {
        constexpr std::size_t kKept = std::size_t{1} << 16;
        if (places.size() > kKept && count <= kKept) *this = Cover();
        if (places.size() < count) places.resize(count);
    }
};

// Cheapest cover of the line, worked out from its end: places[i].cost is the
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
    Place* const places = cover.places.data();
    places[length] = Place{0, 0, 0, 0};
    // The place being decided (counted down as each is done) and what is
    // known of it so far, as plain values rather than a Place: one whose
    // parts are written one by one and then read whole makes the processor
    // wait on each read.
    std::size_t at = length;
    std::int64_t lastCost = 0;
    std::int64_t lastLongest = 0;
    std::int64_t best = kUnreachable;
    std::int64_t longestHere = kUnreachable;
    std::uint32_t bestLength = 0;
    std::uint32_t bestKey = 0;
    bool first = true;
    const auto clear = [&] {
        best = kUnreachable;
        longestHere = kUnreachable;
        bestLength = 0;
        bestKey = 0;
        first = true;
    };
    // The first step, the longest, is also the step longest match takes.
    const auto match = [&](std::size_t step, std::uint32_t key) {
        const bool longestStep = first;
        first = false;
        const int stepCost = costOf(static_cast<std::uint8_t>(key >> 16), static_cast<int>((key >> 24) & 3u));
        if (stepCost < 0) return;
        // A one-character step leads to the place just decided: its figures
        // are still at hand, and reading them back from memory would make
        // each place wait for the last one's store.
        std::int64_t nextCost = lastCost;
        std::int64_t nextLongest = lastLongest;
        if (step != 1) {
            nextCost = places[at - 1 + step].cost;
            nextLongest = places[at - 1 + step].longest;
        }
        if (longestStep) longestHere = std::min(nextLongest + stepCost, kUnreachable);
        const std::int64_t total = nextCost + stepCost;
        if (total >= best) return;
        best = total;
        bestLength = static_cast<std::uint32_t>(step);
        bestKey = key;
    };
    const char16_t* const text = script.data() + start;
    const auto done = [&](std::size_t i) {
        // An escape wins over any entry at its place: what the entries gave is dropped.
        if (text[i] == u'<' && IsEscapeAt(script, start + i, end)) {
            const std::uint8_t value[3] = {EscapeValue(script, start + i), 0, 0};
            clear();
            match(kEscapeLength, tableindex::PackKey(value, 1));
        }
        places[i] = Place{best, longestHere, bestLength, bestKey};
        lastCost = best;
        lastLongest = longestHere;
        clear();
        at = i;
    };
    table.Matcher().Scan(script.substr(start, length), match, done);
    return cover;
}

template <class CostOf>
EncodedLine Cheapest(std::u16string_view script, std::size_t start, std::size_t end, const CharTable& table,
                     const CostOf& costOf) {
    end = std::min(end, script.size());
    start = std::min(start, end);
    const std::size_t length = end - start;
    const Place* const places = Solve(script, start, end, table, costOf).places.data();
    if (places[0].cost >= kUnreachable) return LongestMatch(script, start, end, table);

    EncodedLine line;
    line.end = end;
    if (places[0].longest < kUnreachable) line.longestCost = places[0].longest;
    // Counted first: growing the list step by step copies it over and over.
    std::size_t steps = 0;
    for (std::size_t i = 0; i < length; i += places[i].length) ++steps;
    line.characters.resize(steps);
    EncodedCharacter* character = line.characters.data();
    for (std::size_t i = 0; i < length; i += places[i].length, ++character) {
        const CharTable::TextMatch match = tableindex::UnpackKey(places[i].key, 1);
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
    const Place* const places =
        Solve(script, start, end, table, [](std::uint8_t, int count) { return count; }).places.data();
    if (places[0].cost >= kUnreachable) return std::nullopt;
    // A step gives at most three bytes: each writes three and keeps those it gives.
    bytes.resize(3 * length);
    std::uint8_t* out = bytes.data();
    for (std::size_t i = 0; i < length; i += places[i].length) {
        const std::uint32_t key = places[i].key;
        out[0] = static_cast<std::uint8_t>(key >> 16);
        out[1] = static_cast<std::uint8_t>(key >> 8);
        out[2] = static_cast<std::uint8_t>(key);
        out += (key >> 24) & 3u;
    }
    bytes.resize(static_cast<std::size_t>(out - bytes.data()));
    return places[0].longest < kUnreachable ? places[0].longest : -1;
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
