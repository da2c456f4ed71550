#include "chartable/CharTable.h"
#include "search/RelativeSearch.h"
#include "job/Messages.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

using namespace quorvex;

namespace {

using Bases = std::array<std::optional<std::uint32_t>, kLetterGroupCount>;

std::optional<int> GroupOf(char16_t c) {
    if (c >= u'A' && c <= u'Z') return 0;
    if (c >= u'a' && c <= u'z') return 1;
    if (c >= u'0' && c <= u'9') return 2;
    return std::nullopt;
}

std::uint32_t Distance(char16_t c) {
    return c - (c <= u'9' ? u'0' : c <= u'Z' ? u'A' : u'a');
}

void Put(std::vector<std::uint8_t>& rom, std::size_t at, std::uint32_t value, int width, bool bigEndian) {
    if (width == 1) {
        rom[at] = static_cast<std::uint8_t>(value);
    } else {
        rom[at + (bigEndian ? 1 : 0)] = static_cast<std::uint8_t>(value);
        rom[at + (bigEndian ? 0 : 1)] = static_cast<std::uint8_t>(value >> 8);
    }
}

// The search taken literally: every offset, every character.
std::vector<RelativeHit> LiteralSearch(const std::vector<std::uint8_t>& rom, std::u16string_view text, int width) {
    const std::uint32_t modulus = width == 1 ? 0x100 : 0x10000;
    std::vector<RelativeHit> hits;
    for (std::size_t o = 0; o + text.size() * width <= rom.size(); ++o) {
        RelativeHit hit{static_cast<std::int64_t>(o), {}};
        std::map<std::uint32_t, char16_t> owner;
        bool ok = true;
        for (std::size_t i = 0; i < text.size() && ok; ++i) {
            const auto group = GroupOf(text[i]);
            if (!group) continue;
            const std::uint32_t value = width == 1 ? rom[o + i] : rom[o + 2 * i] | rom[o + 2 * i + 1] << 8;
            auto& base = hit.bases[*group];
            if (!base) base = (value + modulus - Distance(text[i])) % modulus;
            ok = (*base + Distance(text[i])) % modulus == value &&
                 owner.emplace(value, text[i]).first->second == text[i];
        }
        if (ok) hits.push_back(hit);
    }
    return hits;
}

struct PlantedCase {
    std::u16string text;
    int width;
    bool bigEndian;
    Bases bases;
    std::u16string hitLine;    // for the text planted at 0x1234
    std::u16string firstLine;  // of the draft table
    // The draft's lines: the groups' runs and the other characters that are not
    // "?", are in the basic plane and hold no value of a run (all of ASCII for ASCII's bases).
    std::ptrdiff_t lines;
};

TEST(RelativeSearchTest, FindsPlantedTextAndItsDraftDecodesIt) {
    const PlantedCase cases[] = {
        {u"Hello, World 42!", 1, false, {0x80, 0xA0, 0x30}, u"1234\tA=80 a=A0 0=30", u"80=A\r\n", 65},
        {u"Hello, World 42!", 2, false, {0x8140, 0x8160, 0x824F}, u"1234\tA=8140 a=8160 0=824F", u"4081=A\r\n", 65},
        {u"Hello, World 42!", 2, true, {0x8140, 0x8160, 0x824F}, u"1234\tA=8140 a=8160 0=824F", u"8140=A\r\n", 65},
        {u"ZEBRA'S \u3042 \U0001F600 BOX", 1, false, {0xF0, {}, {}}, u"1234\tA=F0", u"F0=A\r\n", 28},
        {u"Level 10: 99 hp?", 2, false, {0xFFF0, 0x0105, 0x0020}, u"1234\tA=FFF0 a=0105 0=0020", u"F0FF=A\r\n", 64},
        {u"Hi there, 7 of 9", 1, false, {0x41, 0x61, 0x30}, u"1234\tA=41 a=61 0=30", u"20= \r\n", 95},
    };
    std::mt19937 random(7);
    for (const PlantedCase& c : cases) {
        SCOPED_TRACE(std::string(c.hitLine.begin(), c.hitLine.end()));
        std::vector<std::uint8_t> rom(0x4000);
        for (auto& byte : rom) byte = static_cast<std::uint8_t>(random());
        const std::size_t at = 0x1234;
        const std::uint32_t mask = c.width == 1 ? 0xFF : 0xFFFF;
        std::size_t slot = 0;
        for (std::size_t i = 0; i < c.text.size(); ++i, ++slot) {
            if ((c.text[i] & 0xFC00) == 0xD800) ++i;  // one character on screen, one slot
            const auto group = GroupOf(c.text[i]);
            // Any other character: one value of its own wherever it occurs.
            const std::uint32_t value = group ? (*c.bases[*group] + Distance(c.text[i])) & mask : (0xC0 + c.text[i]) & mask;
            Put(rom, at + slot * c.width, value, c.width, c.bigEndian);
        }
        const RelativeSearchResult result = RelativeSearch(rom, c.text, {c.width, c.bigEndian, 100});
        const RelativeHit expected{static_cast<std::int64_t>(at), c.bases};
        ASSERT_EQ(result.hits, std::vector<RelativeHit>{expected});
        EXPECT_EQ(result.hitCount, 1u);
        EXPECT_EQ(FormatRelativeHit(result.hits[0], c.width), c.hitLine);

        const std::u16string draft = DraftTable(rom, c.text, result.hits[0], c.width, c.bigEndian);
        EXPECT_EQ(draft.rfind(c.firstLine, 0), 0u);
        EXPECT_EQ(std::count(draft.begin(), draft.end(), u'\n'), c.lines);
        EXPECT_EQ(std::count(draft.begin(), draft.end(), u'\r'), c.lines);
        // Each letter or digit's bytes, looked up alone, give it back.
        const CharTable table = CharTable::FromText(draft);
        for (std::size_t i = 0, s = 0; i < c.text.size(); ++i, ++s) {
            if ((c.text[i] & 0xFC00) == 0xD800) ++i;
            if (!GroupOf(c.text[i])) continue;
            std::vector<std::uint16_t> bytes(rom.begin() + static_cast<std::ptrdiff_t>(at + s * c.width),
                                             rom.begin() + static_cast<std::ptrdiff_t>(at + (s + 1) * c.width));
            const auto match = table.LookupBytes(bytes, 0);
            ASSERT_TRUE(match);
            EXPECT_EQ(match->text, std::u16string(1, c.text[i]));
            EXPECT_EQ(match->byteCount, c.width);
        }
    }
}

TEST(RelativeSearchTest, AgreesWithTheLiteralSearch) {
    const std::u16string texts[] = {u"abc", u"ABA1", u"a.B c", u"No. 7 go", u"zz top", u"0-9"};
    std::mt19937 random(11);
    for (int round = 0; round < 40; ++round) {
        // Few distinct byte values, so that hits are common.
        std::vector<std::uint8_t> rom(300 + random() % 200);
        for (auto& byte : rom) byte = static_cast<std::uint8_t>(random() % 6);
        for (const int width : {1, 2}) {
            for (const std::u16string& text : texts) {
                if (CheckSearchText(text)) continue;
                const auto literal = LiteralSearch(rom, text, width);
                const RelativeSearchResult result = RelativeSearch(rom, text, {width, false, 5});
                EXPECT_EQ(result.hitCount, literal.size());
                const auto kept = std::min<std::ptrdiff_t>(5, std::ssize(literal));
                EXPECT_EQ(result.hits, std::vector<RelativeHit>(literal.begin(), literal.begin() + kept));
            }
        }
    }
}

TEST(RelativeSearchTest, RefusesTextsThatMatchAnywhere) {
    const std::pair<std::u16string_view, bool> cases[] = {
        {u"ab", false}, {u"AAA", false}, {u"A-a-0", false}, {u"...!", false}, {u"\u00c9t\u00e9", false},
        {u"aab", true}, {u" a b c ", true}, {u"A1a2", true},  {u"112", true}};
    std::vector<std::uint8_t> rom(64, 0x41);
    for (const auto& [text, searchable] : cases) {
        EXPECT_EQ(CheckSearchText(text), searchable ? std::nullopt : std::optional(messages::kSearchTextTooShort));
        if (!searchable) {
            EXPECT_EQ(RelativeSearch(rom, text, {}).hitCount, 0u);
        }
    }
}

TEST(RelativeSearchTest, NoHitsForBadWidthShortRomOrAbsentText) {
    const std::vector<std::uint8_t> abc = {0x10, 0x11, 0x12};
    EXPECT_EQ(RelativeSearch(abc, u"abc", {1, false, 100}).hitCount, 1u);
    EXPECT_EQ(RelativeSearch(abc, u"abc", {3, false, 100}).hitCount, 0u);
    EXPECT_EQ(RelativeSearch(abc, u"abc", {2, false, 100}).hitCount, 0u);
    EXPECT_EQ(RelativeSearch({}, u"abc", {}).hitCount, 0u);
    std::vector<std::uint8_t> rom(0x10000);
    std::mt19937 random(3);
    for (auto& byte : rom) byte = static_cast<std::uint8_t>(random());
    EXPECT_EQ(RelativeSearch(rom, u"Nothing like this is here", {}).hitCount, 0u);
}

}  // namespace
