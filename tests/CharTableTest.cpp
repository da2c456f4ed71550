#include "LiteralTable.h"
#include "TestSupport.h"

#include "chartable/CharTable.h"
#include "chartable/TextMatcher.h"
#include "chartable/TextTrie.h"
#include "platform/FileError.h"
#include "platform/Numbers.h"

#include <gtest/gtest.h>

#include <bitset>
#include <chrono>
#include <cstdio>
#include <random>

using namespace quorvex;
using quorvex::test::Narrow;

namespace {

// A byte lookup's result (the table's or the plain search's) as "text/byte count", or "<none>".
template <typename Match>
std::string Found(const std::optional<Match>& match) {
    return match ? Narrow(match->text) + "/" + std::to_string(match->byteCount) : "<none>";
}

// A reverse lookup's result as "length: bytes".
template <typename Match>
std::string Found(const Match& match) {
    std::string text = std::to_string(match.length) + ":";
    for (int i = 0; i < match.byteCount; ++i) text += " " + Narrow(FormatHex2(match.bytes[i]));
    return text;
}

std::string Lookup(const CharTable& table, const std::vector<std::uint16_t>& bytes, std::size_t p = 0) {
    return Found(table.LookupBytes(bytes, p));
}

std::string LookupText(const CharTable& table, std::u16string_view script, std::size_t pos = 0) {
    return Found(table.LookupText(script, pos, table.longestTextLength()));
}

}  // namespace

TEST(CharTableLoadTest, FramingAndLongestTextLength) {
    const CharTable empty = CharTable::FromText(u"");
    EXPECT_EQ(empty.text(), u"\n\r");
    for (std::uint16_t b : {0x00, 0x0A, 0x0D, 0x3D, 0xFF}) EXPECT_EQ(Lookup(empty, {b}), "<none>") << b;
    EXPECT_EQ(Found(empty.LookupText(u"=", 0, 5)), "0:");
    // The framing lets the first and last lines match.
    const CharTable table = CharTable::FromText(u"41=A\r\n42=B");
    EXPECT_EQ(table.text(), u"\n41=A\r\n42=B\r");
    EXPECT_EQ(Lookup(table, {0x41}), "A/1");
    EXPECT_EQ(LookupText(table, u"B"), "1: 42");

    // Counted from the first equals sign of every line; a lone CR does not end a line.
    const std::pair<std::u16string_view, std::int32_t> longest[] = {{u"", 0}, {u"41=A\r\nTitle=Hello\r\n42=BC\r\n", 5},
        {u"41=A\r\n42=BCDEFG", 6}, {u"41==AB\r\n", 3}, {u"no entries\r\n", 0}, {u"41=A\rBC\r\n", 4}};
    for (const auto& [text, length] : longest) EXPECT_EQ(CharTable::FromText(text).longestTextLength(), length);
}

TEST(CharTableLoadTest, FilesAreDecodedByMarkAndReadMode) {
    using namespace std::string_view_literals;
    test::TempDir dir;
    const struct {
        std::string_view bytes;
        ReadMode mode;
        std::uint16_t key;
        const char* found;
    } files[] = {
        {"41=A\n42=BC\n", ReadMode::UTF8, 0x42, "BC/1"},            // LF alone ends a line in a file
        {"\xEF\xBB\xBF" "41=A\r\n", ReadMode::UTF8, 0x41, "A/1"},  // the mark is gone: the first line matches
        {"\xFF\xFE" "4\0" "1\0" "=\0" "\xC4\0" "\r\0" "\n\0"sv, ReadMode::Ascii, 0x41, "\xC3\x84/1"},  // UTF-16
        // Plus signs follow the read mode.
        {"2B=+-\r\n61=+AGE-\r\n", ReadMode::UTF7, 0x2B, "+/1"},
        {"2B=+-\r\n61=+AGE-\r\n", ReadMode::UTF7, 0x61, "a/1"},
        {"2B=+\r\n", ReadMode::UTF8, 0x2B, "+/1"},
        {"2B=+\r\n", ReadMode::Ascii, 0x2B, "+/1"},
        {"41=A\r\n\0" "42=B\r\n"sv, ReadMode::UTF8, 0x41, "A/1"},  // a zero byte ends the table
        {"41=A\r\n\0" "42=B\r\n"sv, ReadMode::UTF8, 0x42, "<none>"},
    };
    for (const auto& file : files) {
        test::WriteText(dir / "t.tbl", file.bytes);
        const CharTable table = CharTable::LoadFile(dir / "t.tbl", TextDecoding{file.mode});
        EXPECT_EQ(Lookup(table, {file.key}), file.found) << file.bytes;
        if (&file == files) { EXPECT_EQ(table.longestTextLength(), 2); }
    }
    // Handed over as text, an entry runs to the next CR.
    EXPECT_EQ(Lookup(CharTable::FromText(u"41=A\n42=BC\n"), {0x41}), "A\n42=BC\n/1");
    EXPECT_EQ(LookupText(CharTable::FromText(u"41=\u00C4\r\n"), u"\u00C4"), "1: 41");
    // A file that cannot be read is a FileError (naming it, as every file error does).
    EXPECT_THROW((void)CharTable::LoadFile(dir / "missing.tbl", {}), FileError);
    EXPECT_THROW((void)CharTable::LoadFile(dir.path(), {}), FileError);
}

// Lines written with a prefix read as the plain entries they stand for;
// a prefixed line of any other form reads as it always did: as no entry.
TEST(CharTableLoadTest, PrefixedLinesReadAsTheirEntries) {
    const struct {
        std::u16string_view table;
        std::vector<std::uint16_t> bytes;
        const char* found;
        int parameters = 0;
    } cases[] = {
        {u"/FF\r\n", {0xFF}, "[END]/1"},
        {u"*FE", {0xFE}, "[LINE]/1"},
        {u"/FF=Stop\r\n*FE=\r\n", {0xFF}, "Stop/1"},
        {u"/FF=Stop\r\n*FE=\r\n", {0xFE}, "/1"},
        {u"/e0e1=Potion\r\n", {0xE0, 0xE1}, "Potion/2"},
        {u"$F0=[Name],1\r\n", {0xF0, 0x41}, "[Name]/1", 1},
        {u"$F0=a,b,8\r\n", {0xF0}, "a,b/1", 8},
        {u"$F0=,0\r\n", {0xF0}, "/1"},
        {u"$F0=[Name],9\r\n$F1=[Name]\r\n$F2=x,-1\r\n", {0xF0}, "<none>"},
        {u"$F0=[Name],9\r\n$F1=[Name]\r\n$F2=x,-1\r\n", {0xF1}, "<none>"},
        {u"$F0=[Name],9\r\n$F1=[Name]\r\n$F2=x,-1\r\n", {0xF2}, "<none>"},
        {u"/F\r\n/FF junk\r\n/FFF=x\r\n #FF=x\r\n", {0xFF}, "<none>"},
    };
    for (const auto& c : cases) {
        const CharTable table = CharTable::FromText(c.table);
        EXPECT_EQ(Lookup(table, c.bytes), c.found) << Narrow(c.table);
        if (const auto match = table.LookupBytes(c.bytes, 0)) {
            EXPECT_EQ(match->parameterBytes, c.parameters) << Narrow(c.table);
        }
        EXPECT_FALSE(table.hasUnreadLines());
    }
    // Held as plain entries: the reverse lookup, the longest text and every other reader see them so.
    const CharTable table = CharTable::FromText(u"/FF\r\n$F0=N,2\r\n*FE");
    EXPECT_EQ(table.text(), u"\nFF=[END]\r\nF0=N\r\nFE=[LINE]\r");
    EXPECT_EQ(LookupText(table, u"[END]"), "5: FF");
    EXPECT_EQ(table.longestTextLength(), 6);

    // Table names, switches and keys of more than three bytes are not read, and are told.
    for (const std::u16string_view unread : {u"@Main\r\n41=A", u"41=A\r\n!C0=Kanji,0\r\n", u"E0E1E2E3=Ring\r\n"}) {
        const CharTable withUnread = CharTable::FromText(unread);
        EXPECT_TRUE(withUnread.hasUnreadLines()) << Narrow(unread);
        EXPECT_EQ(withUnread.text(), literal::FrameTable(unread));
    }
}

TEST(CharTableLoadTest, MovedTableKeepsItsLookups) {
    CharTable first = CharTable::FromText(u"41=A\r\n");
    CharTable second = std::move(first);
    EXPECT_EQ(Lookup(second, {0x41}), "A/1");
    first = CharTable::FromText(u"42=Bee\r\n");
    second = std::move(first);
    EXPECT_EQ(Lookup(second, {0x42}) + Lookup(second, {0x41}), "Bee/1<none>");
}

// The rules one case each; the random tables below try their combinations.
TEST(CharTableBytesTest, WhichEntryTheBytesFind) {
    const struct {
        std::u16string_view table;
        std::vector<std::uint16_t> bytes;
        std::size_t p;
        const char* found;
    } cases[] = {
        {u"3D==\r\nFF=\r\n20= <a> = b\r\n", {0x3D}, 0, "=/1"},  // texts are taken verbatim
        {u"3D==\r\nFF=\r\n20= <a> = b\r\n", {0x20}, 0, " <a> = b/1"},
        // Longer keys beat shorter ones; values above a byte match no key.
        {u"41=A\r\n4142=AB\r\n414243=ABC\r\n", {0x41, 0x43}, 0, "A/1"},
        {u"41=A\r\n4142=AB\r\n414243=ABC\r\n", {0x00, 0x41, 0x42, 0x43}, 1, "ABC/3"},
        {u"41=A\r\n4142=AB\r\n414243=ABC\r\n", {0x41, 0x142}, 0, "A/1"},
        {u"41=A\r\n4142=AB\r\n414243=ABC\r\n", {0x141}, 0, "<none>"},
        // The first line wins, and upper case beats lower case; digits alone read as either.
        {u"41=A\r\n41=B\r\n", {0x41}, 0, "A/1"},
        {u"abcdef=low\r\nABCDEF=up\r\n", {0xAB, 0xCD, 0xEF}, 0, "up/3"},
        {u"12=d\r\n12=e\r\n", {0x12}, 0, "d/1"},
        {u"AB=up\r\nabcd=low\r\n", {0xAB, 0xCD}, 0, "low/2"},  // a longer lower-case key beats a shorter upper-case one
        {u"Ab=Q\r\n 42=B\r\n434=C\r\n", {0xAB}, 0, "<none>"},  // malformed keys never match
        // Keys needing bytes past the end are not tried.
        {u"414243=X\r\n4142=Y\r\n42=Z\r\n", {0x41, 0x42}, 1, "Z/1"},
        {u"414243=X\r\n4142=Y\r\n42=Z\r\n", {0x41, 0x42}, 2, "<none>"},
        {u"414243=X\r\n4142=Y\r\n42=Z\r\n", {0x41, 0x42}, 99, "<none>"},
    };
    for (const auto& c : cases) EXPECT_EQ(Lookup(CharTable::FromText(c.table), c.bytes, c.p), c.found) << Narrow(c.table);
}

TEST(CharTableTextTest, WhichEntryTheTextFinds) {
    const struct {
        std::u16string_view table, script;
        std::size_t pos;
        std::int32_t longest;  // -1: the table's own
        const char* found;
    } cases[] = {
        // The longest entry text wins; the first of equal texts gives the bytes.
        {u"41=A\r\n42=B\r\n4142=AB\r\n", u"AB", 0, -1, "2: 41 42"},
        {u"41=A\r\n42=B\r\n4142=AB\r\n", u"AB", 1, -1, "1: 42"},
        {u"E0E1E2=Potion\r\n50=Potion\r\n", u"Potion!", 0, -1, "6: E0 E1 E2"},
        // An equals sign inside an entry gives that line's key; a line that is
        // no entry still gives what its start reads as.
        {u"4142=X=Y\r\n43=Y\r\n", u"Y", 0, -1, "1: 41 42"},
        {u"Title=Q\r\n", u"Q", 0, -1, "1:"},
        {u"41424344=Q\r\n", u"Q", 0, -1, "1: 41 42 43"},
        // "=A" CR LF "B" CR is in the table, but a match stops at the script line's CR.
        {u"41=A\r\nB\r\n43=WXYZ\r\n", u"A\r\nB", 0, -1, "1: 41"},
        {u"41=A\r\nB\r\n43=WXYZ\r\n", u"WXY", 0, -1, "0:"},
        // Nothing matches outside the script or without a search length.
        {u"41=A\r\n", u"A", 100, -1, "0:"},
        {u"41=A\r\n", u"A", 0, -3, "0:"},
        {u"41=A\r\n", u"AB", 0, 50, "1: 41"},
    };
    for (const auto& c : cases) {
        const CharTable table = CharTable::FromText(c.table);
        EXPECT_EQ(Found(table.LookupText(c.script, c.pos, c.longest == -1 ? table.longestTextLength() : c.longest)),
                  c.found)
            << Narrow(c.table) << " / " << Narrow(c.script) << " at " << c.pos;
    }
}

// The trie against a plain search of its texts, short ones and ones past
// its depth, where several share a start and some are added twice.
TEST(TextTrieTest, MatchesEqualAPlainSearch) {
    using tableindex::TextTrie;
    std::mt19937 rng(17);
    const auto randomText = [&](std::size_t length) {
        std::u16string text;
        for (std::size_t i = 0; i < length; ++i) text += rng() % 4 == 0 ? u'b' : u'a';
        return text;
    };
    int longMatches = 0;
    for (int round = 0; round < 400; ++round) {
        std::vector<std::u16string> texts(1 + rng() % 12);  // the trie points into them: never resized
        for (auto& text : texts) text = randomText(rng() % 3 == 0 ? TextTrie::kDepth - 2 + rng() % 6 : 1 + rng() % 4);
        TextTrie trie;
        for (std::size_t i = 0; i < texts.size(); ++i) trie.Add(texts[i], static_cast<TextTrie::Value>(i + 1));
        trie.Finish();
        for (int probe = 0; probe < 20; ++probe) {
            // Mostly a text's start with more after it, so that long texts match too.
            std::u16string candidate = texts[rng() % texts.size()];
            candidate = candidate.substr(0, rng() % (candidate.size() + 1)) + randomText(rng() % 6);
            if (rng() % 5 == 0) candidate.insert(rng() % (candidate.size() + 1), 1, u'\r');
            std::vector<TextTrie::Match> expected;
            for (std::size_t n = 1; n <= candidate.size() && candidate[n - 1] != u'\r'; ++n) {
                const auto first = std::find(texts.begin(), texts.end(), candidate.substr(0, n));
                if (first != texts.end()) expected.push_back({n, static_cast<TextTrie::Value>(first - texts.begin() + 1)});
            }
            std::vector<TextTrie::Match> all;
            trie.All(candidate, [&](const TextTrie::Match& match) { all.push_back(match); });
            const TextTrie::Match longest = trie.Longest(candidate);
            const std::string where = Narrow(candidate);
            ASSERT_EQ(all.size(), expected.size()) << where;
            for (std::size_t i = 0; i < all.size(); ++i) {
                ASSERT_EQ(all[i].length, expected[i].length) << where;
                ASSERT_EQ(all[i].value, expected[i].value) << where;
            }
            ASSERT_EQ(longest.length, expected.empty() ? 0 : expected.back().length) << where;
            ASSERT_EQ(longest.value, expected.empty() ? 0 : expected.back().value) << where;
            longMatches += !expected.empty() && expected.back().length > TextTrie::kDepth;
        }
        for (const char16_t c : {u'a', u'b'}) {
            TextTrie::Value single = 0;
            const bool beginsLonger = std::any_of(texts.begin(), texts.end(), [&](const auto& t) { return t.size() > 1 && t[0] == c; });
            const auto alone = std::find(texts.begin(), texts.end(), std::u16string(1, c));
            ASSERT_EQ(trie.OnlySingle(c, single), !beginsLonger);
            if (!beginsLonger) {
                ASSERT_EQ(single, alone == texts.end() ? 0 : static_cast<TextTrie::Value>(alone - texts.begin() + 1));
            }
        }
    }
    EXPECT_GT(longMatches, 40);
}

// The one-pass matcher against the trie's walk from every place of a line,
// on tables of texts that overlap a lot: short ones, ones past the trie's
// depth sharing their ends, some given twice with another value.
TEST(TextMatcherTest, FindsWhatTheTrieFindsAtEveryPlace) {
    using tableindex::TextTrie;
    std::mt19937 rng(23);
    const auto randomText = [&](std::size_t length) {
        std::u16string text;
        for (std::size_t i = 0; i < length; ++i) text += u"aab"[rng() % 3];
        return text;
    };
    int longMatches = 0;
    for (int round = 0; round < 300; ++round) {
        std::vector<std::u16string> texts(1 + rng() % 16);  // both point into them: never resized
        for (auto& text : texts) text = randomText(rng() % 3 == 0 ? TextTrie::kDepth - 1 + rng() % 5 : 1 + rng() % 4);
        texts.back() = texts[rng() % texts.size()];
        TextTrie trie;
        std::vector<tableindex::TextMatcher::Entry> entries;
        for (std::size_t i = 0; i < texts.size(); ++i) {
            trie.Add(texts[i], static_cast<TextTrie::Value>(i + 1));
            entries.push_back({texts[i], static_cast<TextTrie::Value>(i + 1)});
        }
        trie.Finish();
        const tableindex::TextMatcher matcher(entries);
        std::u16string line = randomText(rng() % 40);
        if (rng() % 2 == 0) line.insert(rng() % (line.size() + 1), texts[rng() % texts.size()] + texts[rng() % texts.size()]);
        std::size_t next = line.size();
        std::vector<TextTrie::Match> found;
        const auto match = [&](std::size_t length, TextTrie::Value value) { found.push_back({length, value}); };
        matcher.Scan(line, match, [&](std::size_t i) {
            ASSERT_EQ(i, --next);
            std::vector<TextTrie::Match> expected;
            trie.All(std::u16string_view(line).substr(i), [&](const TextTrie::Match& m) { expected.push_back(m); });
            std::reverse(expected.begin(), expected.end());
            const std::string where = Narrow(line) + " at " + std::to_string(i);
            ASSERT_EQ(found.size(), expected.size()) << where;
            for (std::size_t k = 0; k < expected.size(); ++k) {
                ASSERT_EQ(found[k].length, expected[k].length) << where;
                ASSERT_EQ(found[k].value, expected[k].value) << where;
            }
            longMatches += !expected.empty() && expected.front().length > TextTrie::kDepth;
            found.clear();
        });
        ASSERT_EQ(next, 0u);
    }
    EXPECT_GT(longMatches, 40);
}

TEST(CharTableScaleTest, PathologicalTablesLoadAndAnswerQuickly) {
    const auto started = std::chrono::steady_clock::now();
    const std::size_t mebi = std::size_t{1} << 20;
    const CharTable equalsLine = CharTable::FromText(u"41=" + std::u16string(mebi, u'='));
    EXPECT_EQ(equalsLine.longestTextLength(), static_cast<std::int32_t>(mebi));
    EXPECT_EQ(Found(equalsLine.LookupText(u"==", 0, 8)), "2: 41");
    // Two such lines: every text of the second repeats one of the first.
    const std::u16string half(mebi / 4, u'=');
    const CharTable twoLines = CharTable::FromText(u"41=" + half + u"\r\n42=" + half);
    EXPECT_EQ(Found(twoLines.LookupText(u"=====", 0, 16)), "5: 41");
    EXPECT_EQ(Lookup(twoLines, {0x42}).size(), half.size() + 2);
    // A key spread over a million spaces is read like "4 1".
    std::u16string spacedKey(1, u'4');
    spacedKey.append(mebi, u' ').append(u"1=X\r\n");
    const CharTable spaced = CharTable::FromText(spacedKey);
    for (int i = 0; i < 2000; ++i) ASSERT_EQ(LookupText(spaced, u"X"), "1: 04 01");
    // A million entries for one byte, all empty.
    std::u16string many;
    for (int i = 0; i < 1'000'000; ++i) many += u"41=\r\n";
    const CharTable manyLines = CharTable::FromText(many);
    EXPECT_EQ(manyLines.longestTextLength(), 0);
    EXPECT_EQ(Lookup(manyLines, {0x41}), "/1");
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count(), 20.0);
}

TEST(CharTableScaleTest, ABlockOfConsecutiveCharactersKeepsReverseLookupsFast) {
    // A kanji table: 20,000 entries whose texts are consecutive characters,
    // and one long word, so every lookup may try up to 24 lengths.
    std::u16string file = u"F00000=" + std::u16string(24, u'W') + u"\r\n";
    for (int i = 0; i < 20000; ++i) {
        char key[16];
        std::snprintf(key, sizeof key, "%06X=", 0x100000 + i);
        file += Widen(key) + static_cast<char16_t>(0x4E00 + i) + u"\r\n";
    }
    const CharTable table = CharTable::FromText(file);
    std::u16string script;
    std::mt19937 random(5);
    for (int i = 0; i < 100000; ++i) script += static_cast<char16_t>(0x4E00 + random() % 20000);

    const auto started = std::chrono::steady_clock::now();
    for (std::size_t pos = 0; pos < script.size(); ++pos) {
        const auto match = table.LookupText(script, pos, 24);
        const std::uint32_t key = 0x100000u + (script[pos] - 0x4E00u);
        ASSERT_EQ(match.length, 1);
        ASSERT_EQ(match.byteCount, 3);
        ASSERT_EQ(static_cast<std::uint32_t>((match.bytes[0] << 16) | (match.bytes[1] << 8) | match.bytes[2]), key);
    }
    // Slots placed by the bare hash held these texts in one long run: 4.6 s here; now some 25 ms.
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count(), 2.0);
}

// --- Against the plain searches -----------------------------------------------------------------

namespace {

constexpr std::uint16_t kByteValues[] = {0x41, 0x42, 0xAB, 0x0A, 0x3D, 0x00};

std::u16string RandomText(std::mt19937& rng, std::u16string_view alphabet, std::size_t maxLength) {
    std::u16string text(rng() % (maxLength + 1), u' ');
    for (char16_t& c : text) c = alphabet[rng() % alphabet.size()];
    return text;
}

// Lines of keys of 1 to 3 bytes in upper, lower or mixed case, odd starts and
// lines without "=", ended by CR LF, a lone CR or LF, or nothing.
std::u16string RandomTable(std::mt19937& rng) {
    static const std::u16string_view kTextChars = u"AAABB=<> \n";
    static const std::u16string kOddStarts[] = {u"",   u" ",  u"  41", u"+4", u"0x4", u"-1",
                                                u"g1", u"4 1", u"41 ", u"41424344", u"\r"};
    static const std::u16string kEnds[] = {u"\n", u"\r", u"", u"\r\n"};  // CR LF 7 times in 10
    std::u16string table;
    for (std::size_t lines = rng() % 12; lines > 0; --lines) {
        if (const auto kind = rng() % 8; kind == 0) {
            table += kOddStarts[rng() % std::size(kOddStarts)] + u"=" + RandomText(rng, kTextChars, 3);
        } else if (kind == 1) {
            table += RandomText(rng, kTextChars, 4);
        } else {
            const int caseRule = static_cast<int>(rng() % 3);  // upper, lower, per letter
            for (std::size_t i = 1 + rng() % 3; i > 0; --i)
                for (char16_t c : FormatHex2(kByteValues[rng() % std::size(kByteValues)]))
                    table += (caseRule == 1 || (caseRule == 2 && rng() % 2 == 0)) && c >= u'A'
                                 ? static_cast<char16_t>(c - u'A' + u'a')
                                 : c;
            table += u'=';
            table += RandomText(rng, kTextChars, 4);
        }
        table += kEnds[std::min<std::size_t>(rng() % 10, 3)];
    }
    return table;
}

}  // namespace

TEST(CharTableDifferentialTest, LookupsEqualPlainSearchesOnRandomTables) {
    std::mt19937 rng(20240611);
    int byteHits = 0, textHits = 0;
    std::vector<CharTable::TextMatch> matches;
    for (int round = 0; round < 2000; ++round) {
        const std::u16string fileText = RandomTable(rng);
        const CharTable table = CharTable::FromText(fileText);
        const std::u16string& text = table.text();
        ASSERT_EQ(text, literal::FrameTable(fileText));
        ASSERT_EQ(table.longestTextLength(), literal::LongestTextLength(text)) << Narrow(fileText);

        for (int i = 0; i < 8; ++i) {
            std::vector<std::uint16_t> bytes(rng() % 6);
            for (auto& b : bytes) b = rng() % 4 == 0 ? rng() % 256 : kByteValues[rng() % std::size(kByteValues)];
            for (std::size_t p = 0; p <= bytes.size(); ++p) {
                const std::string expected = Found(literal::LookupBytes(text, bytes, p));
                ASSERT_EQ(Lookup(table, bytes, p), expected) << Narrow(fileText) << " at " << p;
                byteHits += expected != "<none>";
            }
        }

        // A byte is used when some line holding "=" reads as a key starting with it.
        std::bitset<256> usedBytes;
        for (std::size_t lf = text.find(u'\n'); lf != std::u16string::npos; lf = text.find(u'\n', lf + 1)) {
            std::uint8_t key[3];
            if (text.substr(lf, text.find(u'\n', lf + 1) - lf).find(u'=') != std::u16string::npos &&
                ScanKeyBytes(text.substr(lf + 1), key) > 0)
                usedBytes.set(key[0]);
        }
        for (int b = 0; b < 256; ++b)
            ASSERT_EQ(table.UsesByte(static_cast<std::uint8_t>(b)), usedBytes.test(b)) << Narrow(fileText) << " " << b;

        for (int i = 0; i < 8; ++i) {
            const std::u16string script = RandomText(rng, u"AAABB=<> \r\n", 8);
            for (std::size_t pos = 0; pos <= script.size(); ++pos) {
                const std::string where = "table \"" + Narrow(fileText) + "\" script \"" + Narrow(script) +
                                          "\" at " + std::to_string(pos);
                // Every match at pos: the lengths the plain search finds when each is the longest allowed.
                std::vector<std::string> each, found;
                for (std::int32_t n = 1; n <= table.longestTextLength(); ++n)
                    if (const auto match = literal::LookupText(text, script, pos, n); match.length == n)
                        each.push_back(Found(match));
                table.FindTextMatches(script, pos, std::min(script.find(u'\r', pos), script.size()), matches);
                for (const auto& match : matches) found.push_back(Found(match));
                ASSERT_EQ(found, each) << where;

                for (const std::int32_t longest : {table.longestTextLength(), table.longestTextLength() + 3, 1, 0}) {
                    const std::string expected = Found(literal::LookupText(text, script, pos, longest));
                    ASSERT_EQ(Found(table.LookupText(script, pos, longest)), expected) << where << " longest " << longest;
                    if (expected != "0:") ++textHits;
                }
            }
        }
    }
    // The random tables must be rich enough to exercise hits as well as misses.
    EXPECT_GT(byteHits, 2000);
    EXPECT_GT(textHits, 20000);
}
