#include "search/RelativeSearch.h"

#include "job/Messages.h"
#include "platform/Numbers.h"

#include <algorithm>
#include <iterator>

namespace quorvex {

namespace {

struct GroupRange {
    char16_t first;
    char16_t last;
};
constexpr GroupRange kGroups[kLetterGroupCount] = {{u'A', u'Z'}, {u'a', u'z'}, {u'0', u'9'}};

std::optional<int> GroupOf(char16_t c) {
    for (int g = 0; g < kLetterGroupCount; ++g)
        if (c >= kGroups[g].first && c <= kGroups[g].last) return g;
    return std::nullopt;
}

struct Letter {
    std::size_t slot = 0;  // character position in the text
    int group = 0;
    std::uint32_t distance = 0;  // from the group's first character
    char16_t character = 0;
};

// The letters and digits of the text with their character positions, and how
// many characters the text has in all.
struct ParsedText {
    std::vector<Letter> letters;
    std::size_t length = 0;
};

ParsedText Parse(std::u16string_view text) {
    ParsedText parsed;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        // A character outside the basic plane is one character on screen.
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) ++i;
        if (const auto group = GroupOf(c))
            parsed.letters.push_back({parsed.length, *group, static_cast<std::uint32_t>(c - kGroups[*group].first), c});
        ++parsed.length;
    }
    return parsed;
}

bool Searchable(const ParsedText& parsed) {
    if (parsed.letters.size() < 3) return false;
    for (const Letter& a : parsed.letters)
        for (const Letter& b : parsed.letters)
            if (a.group == b.group && a.character != b.character) return true;
    return false;
}

// One difference the ROM must show: value at slot `to` minus value at slot
// `from` equals `difference`, modulo 2^(8 * width).
struct Check {
    std::size_t from;
    std::size_t to;
    std::uint32_t difference;
};

constexpr std::pair<int, std::uint32_t> kAsciiBases[] = {{0, 0x41}, {1, 0x61}, {2, 0x30}};

// The lines of a draft table, and the values they hold.
struct Draft {
    int width;
    bool bigEndian;
    std::u16string table;
    std::vector<std::uint32_t> values;

    [[nodiscard]] std::uint32_t mask() const { return width == 1 ? 0xFFu : 0xFFFFu; }
    [[nodiscard]] bool Holds(std::uint32_t value) const {
        return std::find(values.begin(), values.end(), value) != values.end();
    }
    void Add(std::uint32_t value, char16_t c) {
        values.push_back(value);
        // Keys are written as the bytes lie in the ROM.
        const std::uint32_t key = width == 1 || bigEndian ? value : (value & 0xFF) << 8 | value >> 8;
        table += FormatHexDigits(key, width * 2);
        table += u'=';
        table += c;
        table += u"\r\n";
    }
};

// The characters of the text outside the groups (but "?" and those outside
// the basic plane) that stand for one value wherever they occur in the hit at
// offset, in the order of their first occurrence.
std::vector<std::pair<char16_t, std::uint32_t>> OtherCharacters(std::span<const std::uint8_t> rom,
                                                                std::u16string_view text, std::int64_t offset,
                                                                int width, bool bigEndian) {
    std::vector<std::pair<char16_t, std::uint32_t>> found;
    std::vector<char16_t> mixed;
    std::size_t slot = 0;
    for (std::size_t i = 0; i < text.size(); ++i, ++slot) {
        const char16_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) ++i;
        if (GroupOf(c) || c == u'?' || (c >= 0xD800 && c <= 0xDFFF)) continue;
        const std::size_t at = static_cast<std::size_t>(offset) + slot * static_cast<std::size_t>(width);
        const std::uint32_t value = width == 1 ? rom[at]
                                    : bigEndian ? (std::uint32_t{rom[at]} << 8 | rom[at + 1])
                                                : (std::uint32_t{rom[at + 1]} << 8 | rom[at]);
        const auto known = std::find_if(found.begin(), found.end(), [&](const auto& pair) { return pair.first == c; });
        if (known == found.end()) found.emplace_back(c, value);
        else if (known->second != value) mixed.push_back(c);
    }
    std::erase_if(found, [&](const auto& pair) { return std::find(mixed.begin(), mixed.end(), pair.first) != mixed.end(); });
    return found;
}

}  // namespace

std::optional<std::u16string_view> CheckSearchText(std::u16string_view text) {
    if (Searchable(Parse(text))) return std::nullopt;
    return messages::kSearchTextTooShort;
}

RelativeSearchResult RelativeSearch(std::span<const std::uint8_t> rom, std::u16string_view text,
                                    const RelativeSearchOptions& options) {
    RelativeSearchResult result;
    const int width = options.width;
    if (width != 1 && width != 2) return result;
    const ParsedText parsed = Parse(text);
    if (!Searchable(parsed)) return result;
    const std::size_t span = parsed.length * static_cast<std::size_t>(width);
    if (rom.size() < span) return result;

    const std::uint32_t mask = width == 1 ? 0xFFu : 0xFFFFu;
    // Each group's first letter in the text is its anchor; every other letter
    // of the group is checked against it, so one subtraction per letter
    // rejects an offset and almost every offset is rejected by the first.
    std::array<std::optional<std::size_t>, kLetterGroupCount> anchor{};
    std::vector<Check> checks;
    for (std::size_t i = 0; i < parsed.letters.size(); ++i) {
        const Letter& letter = parsed.letters[i];
        auto& first = anchor[static_cast<std::size_t>(letter.group)];
        if (!first) {
            first = i;
            continue;
        }
        const Letter& base = parsed.letters[*first];
        checks.push_back({base.slot, letter.slot, (letter.distance - base.distance) & mask});
    }
    // A repeated letter (difference 0) passes wherever the ROM holds runs of
    // one byte, as fill does; differences between letters go first.
    std::stable_partition(checks.begin(), checks.end(), [](const Check& c) { return c.difference != 0; });

    const std::uint8_t* data = rom.data();
    const bool bigEndian = options.bigEndian;
    auto valueAt = [&](std::size_t offset, std::size_t slot) -> std::uint32_t {
        const std::uint8_t* p = data + offset + slot * static_cast<std::size_t>(width);
        if (width == 1) return p[0];
        return bigEndian ? (std::uint32_t{p[0]} << 8 | p[1]) : (std::uint32_t{p[1]} << 8 | p[0]);
    };

    std::vector<std::uint32_t> values;
    const std::size_t lastOffset = rom.size() - span;
    for (std::size_t offset = 0; offset <= lastOffset; ++offset) {
        bool match = true;
        for (const Check& check : checks) {
            if (((valueAt(offset, check.to) - valueAt(offset, check.from)) & mask) != check.difference) {
                match = false;
                break;
            }
        }
        if (!match) continue;

        RelativeHit hit;
        hit.offset = static_cast<std::int64_t>(offset);
        for (int g = 0; g < kLetterGroupCount; ++g) {
            if (const auto first = anchor[static_cast<std::size_t>(g)]) {
                const Letter& letter = parsed.letters[*first];
                hit.bases[static_cast<std::size_t>(g)] = (valueAt(offset, letter.slot) - letter.distance) & mask;
            }
        }
        // Letters of different groups must not share a value. Repeated letters
        // appear more than once in the list, so compare characters, not slots.
        values.clear();
        for (const Letter& letter : parsed.letters)
            values.push_back(((*hit.bases[static_cast<std::size_t>(letter.group)] + letter.distance) & mask) << 16 |
                             letter.character);
        std::sort(values.begin(), values.end());
        values.erase(std::unique(values.begin(), values.end()), values.end());
        bool distinct = true;
        for (std::size_t i = 1; i < values.size(); ++i)
            if (values[i] >> 16 == values[i - 1] >> 16) distinct = false;
        if (!distinct) continue;

        ++result.hitCount;
        if (result.hits.size() < options.maxHits) result.hits.push_back(hit);
    }
    return result;
}

std::u16string FormatRelativeHit(const RelativeHit& hit, int width) {
    std::u16string line = FormatHex(static_cast<std::int32_t>(hit.offset)) + u"\t";
    bool first = true;
    for (int g = 0; g < kLetterGroupCount; ++g) {
        const auto& base = hit.bases[static_cast<std::size_t>(g)];
        if (!base) continue;
        if (!first) line += u' ';
        first = false;
        line += kGroups[g].first;
        line += u'=';
        line += FormatHexDigits(*base, width * 2);
    }
    return line;
}

std::optional<StartHit> LongestHittingStart(std::span<const std::uint8_t> rom, std::u16string_view text,
                                            const RelativeSearchOptions& options) {
    // The whole text was searched already: its starts are shorter.
    for (std::size_t end = text.size(); end-- > 1;) {
        if (text[end] >= 0xDC00 && text[end] <= 0xDFFF) continue;  // inside a pair
        const std::u16string_view start = text.substr(0, end);
        if (Parse(start).letters.size() < 4) break;
        const RelativeSearchResult found = RelativeSearch(rom, start, {options.width, options.bigEndian, 1});
        if (found.hitCount > 0) return StartHit{std::u16string(start), found.hits.front().offset, found.hitCount};
    }
    return std::nullopt;
}

std::u16string DraftTable(std::span<const std::uint8_t> rom, std::u16string_view text, const RelativeHit& hit,
                          int width, bool bigEndian) {
    Draft draft{width, bigEndian, {}, {}};
    const bool ascii = std::all_of(std::begin(kAsciiBases), std::end(kAsciiBases), [&](const auto& pair) {
        const auto& base = hit.bases[static_cast<std::size_t>(pair.first)];
        return !base || *base == pair.second;
    });
    if (ascii) {
        for (char16_t c = 0x20; c <= 0x7E; ++c) draft.Add(c, c);
        return draft.table;
    }
    for (int g = 0; g < kLetterGroupCount; ++g) {
        const auto& base = hit.bases[static_cast<std::size_t>(g)];
        if (!base) continue;
        for (char16_t c = kGroups[g].first; c <= kGroups[g].last; ++c)
            draft.Add((*base + static_cast<std::uint32_t>(c - kGroups[g].first)) & draft.mask(), c);
    }
    for (const auto& [c, value] : OtherCharacters(rom, text, hit.offset, width, bigEndian))
        if (!draft.Holds(value)) draft.Add(value, c);
    return draft.table;
}

}  // namespace quorvex
