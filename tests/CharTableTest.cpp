#include "LiteralTable.h"
#include "TestSupport.h"

#include "chartable/CharTable.h"
#include "platform/FileError.h"
#include "platform/Numbers.h"

#include <gtest/gtest.h>

#include <bitset>
#include <chrono>
#include <cstdio>
#include <random>

using namespace quorvex;
using quorvex::test::Narrow;
using quorvex::test::TempDir;

namespace {

std::vector<std::uint8_t> Bytes(std::string_view text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

TextDecoding Mode(ReadMode mode) {
    TextDecoding decoding;
    decoding.mode = mode;
    return decoding;
}

// The text of the entry for the bytes at p, or "<none>"; with the byte count after a "/".
std::string Lookup(const CharTable& table, const std::vector<std::uint16_t>& bytes, std::size_t p = 0) {
    const auto match = table.LookupBytes(bytes, p);
    if (!match) return "<none>";
    return Narrow(match->text) + "/" + std::to_string(match->byteCount);
}

struct TextResult {
    int length = 0;
    std::vector<int> bytes;
    bool operator==(const TextResult&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TextResult& result) {
    out << result.length << " chars, bytes {";
    for (int b : result.bytes) out << ' ' << b;
    return out << " }";
}

TextResult Result(const CharTable::TextMatch& match) {
    TextResult result{match.length, {}};
    for (int i = 0; i < match.byteCount; ++i) result.bytes.push_back(match.bytes[i]);
    return result;
}

TextResult LookupText(const CharTable& table, std::u16string_view script, std::size_t pos = 0) {
    return Result(table.LookupText(script, pos, table.longestTextLength()));
}

// --- The searches written out plainly: first occurrences over the whole text -----------------

std::optional<std::pair<std::u16string, int>> LiteralLookupBytes(const std::u16string& text,
                                                                 const std::vector<std::uint16_t>& b, std::size_t p) {
    const auto match = literal::LookupBytes(text, b, p);
    if (!match) return std::nullopt;
    return std::make_pair(std::u16string(match->text), match->byteCount);
}

TextResult LiteralLookupText(const std::u16string& text, std::u16string_view script, std::size_t pos,
                             std::int32_t longest) {
    const literal::TextMatch match = literal::LookupText(text, script, pos, longest);
    TextResult result{match.length, {}};
    for (int i = 0; i < match.byteCount; ++i) result.bytes.push_back(match.bytes[i]);
    return result;
}

}  // namespace

// --- Loading and the longest text length ----------------------------------------------------------

TEST(CharTableLoadTest, FramingAndLongestTextLength) {
    const CharTable empty = CharTable::FromText(u"");
    EXPECT_EQ(empty.text(), u"\n\r");
    EXPECT_EQ(empty.longestTextLength(), 0);
    for (std::uint16_t b : {0x00, 0x0A, 0x0D, 0x3D, 0xFF}) EXPECT_EQ(Lookup(empty, {b}), "<none>") << b;
    EXPECT_EQ(Result(empty.LookupText(u"=", 0, 5)), TextResult{});

    // The framing lets the first and last lines match.
    const CharTable table = CharTable::FromText(u"41=A\r\n42=B");
    EXPECT_EQ(table.text(), u"\n41=A\r\n42=B\r");
    EXPECT_EQ(Lookup(table, {0x41}), "A/1");
    EXPECT_EQ(LookupText(table, u"B"), (TextResult{1, {0x42}}));

    // Counted from the first equals sign of every line.
    EXPECT_EQ(CharTable::FromText(u"41=A\r\nTitle=Hello\r\n42=BC\r\n").longestTextLength(), 5);
    EXPECT_EQ(CharTable::FromText(u"41=A\r\n42=BCDEFG").longestTextLength(), 6);  // last line, no line end
    EXPECT_EQ(CharTable::FromText(u"41==AB\r\n").longestTextLength(), 3);
    EXPECT_EQ(CharTable::FromText(u"no entries\r\nat all\r\n").longestTextLength(), 0);
    // A lone CR does not end a line for this count.
    EXPECT_EQ(CharTable::FromText(u"41=A\rBC\r\n").longestTextLength(), 4);
}

TEST(CharTableLoadTest, FilesAreDecodedByMarkAndReadMode) {
    TempDir dir;
    const auto load = [&](const char* name, const std::vector<std::uint8_t>& bytes, ReadMode mode) {
        quorvex::test::WriteBytes(dir / name, bytes);
        return CharTable::LoadFile(dir / name, Mode(mode));
    };
    // LF alone ends a line in a file; handed over as text, an entry runs to the next CR.
    const CharTable lf = load("lf.tbl", Bytes("41=A\n42=BC\n"), ReadMode::UTF8);
    EXPECT_EQ(Lookup(lf, {0x42}), "BC/1");
    EXPECT_EQ(lf.longestTextLength(), 2);
    EXPECT_EQ(Lookup(CharTable::FromText(u"41=A\n42=BC\n"), {0x41}), "A\n42=BC\n/1");

    // A UTF-8 mark is gone, so the first line matches.
    EXPECT_EQ(Lookup(load("bom.tbl", Bytes("\xEF\xBB\xBF" "41=A\r\n"), ReadMode::UTF8), {0x41}), "A/1");
    // "41=Ä" CR LF in little- and big-endian UTF-16, read as such whatever the mode.
    for (const auto& bytes : {std::vector<std::uint8_t>{0xFF, 0xFE, '4', 0, '1', 0, '=', 0, 0xC4, 0, '\r', 0, '\n', 0},
                              std::vector<std::uint8_t>{0xFE, 0xFF, 0, '4', 0, '1', 0, '=', 0, 0xC4, 0, '\r', 0, '\n'}}) {
        const CharTable table = load("utf16.tbl", bytes, ReadMode::UTF7);
        EXPECT_EQ(Lookup(table, {0x41}), "\xC3\x84/1");
        EXPECT_EQ(LookupText(table, u"\u00C4"), (TextResult{1, {0x41}}));
    }

    // Plus signs follow the read mode.
    const CharTable utf7 = load("utf7.tbl", Bytes("2B=+-\r\n61=+AGE-\r\n"), ReadMode::UTF7);
    EXPECT_EQ(Lookup(utf7, {0x2B}), "+/1");
    EXPECT_EQ(Lookup(utf7, {0x61}), "a/1");
    EXPECT_EQ(Lookup(load("utf8.tbl", Bytes("2B=+\r\n"), ReadMode::UTF8), {0x2B}), "+/1");
    EXPECT_EQ(Lookup(load("ascii.tbl", Bytes("2B=+\r\n"), ReadMode::Ascii), {0x2B}), "+/1");

    // A zero byte ends the table.
    const CharTable zero = load("zero.tbl", Bytes(std::string_view("41=A\r\n\0" "42=B\r\n", 13)), ReadMode::UTF8);
    EXPECT_EQ(Lookup(zero, {0x41}), "A/1");
    EXPECT_EQ(Lookup(zero, {0x42}), "<none>");

    // A file that cannot be read is a FileError naming it.
    for (const auto& path : {dir / "missing.tbl", dir.path()}) {
        try {
            (void)CharTable::LoadFile(path, Mode(ReadMode::UTF7));
            ADD_FAILURE() << "no FileError for " << path;
        } catch (const FileError& error) {
            EXPECT_EQ(error.path(), path.string());
        }
    }
}

TEST(CharTableLoadTest, MovedTableKeepsItsLookups) {
    CharTable first = CharTable::FromText(u"41=A\r\n");
    CharTable second = std::move(first);
    EXPECT_EQ(Lookup(second, {0x41}), "A/1");
    first = CharTable::FromText(u"42=Bee\r\n");
    second = std::move(first);
    EXPECT_EQ(Lookup(second, {0x42}), "Bee/1");
    EXPECT_EQ(Lookup(second, {0x41}), "<none>");
}

// --- Bytes to text -----------------------------------------------------------------------------

TEST(CharTableBytesTest, WhichEntryTheBytesFind) {
    // Entry texts are taken verbatim.
    const CharTable verbatim = CharTable::FromText(u"3D==\r\nFF=\r\n20= <a> = b\r\n");
    EXPECT_EQ(Lookup(verbatim, {0x3D}), "=/1");
    EXPECT_EQ(Lookup(verbatim, {0xFF}), "/1");
    EXPECT_EQ(Lookup(verbatim, {0x20}), " <a> = b/1");

    // Longer keys beat shorter ones.
    const CharTable keys = CharTable::FromText(u"41=A\r\n4142=AB\r\n414243=ABC\r\n");
    EXPECT_EQ(Lookup(keys, {0x41, 0x43}), "A/1");
    EXPECT_EQ(Lookup(keys, {0x41, 0x42, 0x44}), "AB/2");
    EXPECT_EQ(Lookup(keys, {0x00, 0x41, 0x42, 0x43}, 1), "ABC/3");
    // Values above a byte match no key: 0x142 must not be taken as 0x42.
    EXPECT_EQ(Lookup(keys, {0x41, 0x142}), "A/1");
    EXPECT_EQ(Lookup(keys, {0x141}), "<none>");

    // The first line wins, and upper case beats lower case.
    EXPECT_EQ(Lookup(CharTable::FromText(u"41=A\r\n41=B\r\n"), {0x41}), "A/1");
    EXPECT_EQ(Lookup(CharTable::FromText(u"0a=x\r\n0A=y\r\n"), {0x0A}), "y/1");
    EXPECT_EQ(Lookup(CharTable::FromText(u"abcdef=low\r\nABCDEF=up\r\n"), {0xAB, 0xCD, 0xEF}), "up/3");
    // Digits alone read as either case: the first such line beats a later upper-case one.
    EXPECT_EQ(Lookup(CharTable::FromText(u"12=d\r\n12=e\r\n"), {0x12}), "d/1");
    // An upper-case 1-byte key does not beat a lower-case 2-byte key.
    EXPECT_EQ(Lookup(CharTable::FromText(u"AB=up\r\nabcd=low\r\n"), {0xAB, 0xCD}), "low/2");

    // Malformed keys never match.
    const CharTable bad = CharTable::FromText(u"Ab=Q\r\n41 =A\r\n 42=B\r\n434=C\r\n44\r\n=45=D\r\n4647484950=E\r\n");
    for (std::uint16_t b : {0xAB, 0x41, 0x42, 0x43, 0x44, 0x45}) EXPECT_EQ(Lookup(bad, {b}), "<none>") << b;
    EXPECT_EQ(Lookup(bad, {0x46, 0x47, 0x48, 0x49, 0x50}), "<none>");
}

TEST(CharTableBytesTest, KeysNeedingBytesPastTheEndAreNotTried) {
    const CharTable table = CharTable::FromText(u"414243=X\r\n4142=Y\r\n42=Z\r\n");
    EXPECT_EQ(Lookup(table, {0x41, 0x42}), "Y/2");
    EXPECT_EQ(Lookup(table, {0x41, 0x42}, 1), "Z/1");
    EXPECT_EQ(Lookup(table, {0x41, 0x42}, 2), "<none>");
    EXPECT_EQ(Lookup(table, {0x41, 0x42}, 99), "<none>");
    EXPECT_EQ(Lookup(table, {}, 0), "<none>");
}

// --- Text to bytes -----------------------------------------------------------------------------

TEST(CharTableTextTest, WhichEntryTheTextFinds) {
    // The longest entry text wins; the first of equal texts gives the bytes.
    const CharTable both = CharTable::FromText(u"41=A\r\n42=B\r\n4142=AB\r\n");
    EXPECT_EQ(LookupText(both, u"AB"), (TextResult{2, {0x41, 0x42}}));
    EXPECT_EQ(LookupText(both, u"AB", 1), (TextResult{1, {0x42}}));
    EXPECT_EQ(LookupText(CharTable::FromText(u"61=A\r\n41=A\r\n"), u"A"), (TextResult{1, {0x61}}));
    EXPECT_EQ(LookupText(CharTable::FromText(u"E0E1E2=Potion\r\n50=Potion\r\n"), u"Potion!"),
              (TextResult{6, {0xE0, 0xE1, 0xE2}}));

    // An equals sign inside an entry gives that line's key.
    const CharTable equals = CharTable::FromText(u"4142=X=Y\r\n43=Y\r\n");
    EXPECT_EQ(LookupText(equals, u"Y"), (TextResult{1, {0x41, 0x42}}));
    EXPECT_EQ(LookupText(equals, u"X=Y"), (TextResult{3, {0x41, 0x42}}));
    // Lines that are no entries still give what their start reads as.
    EXPECT_EQ(LookupText(CharTable::FromText(u"Title=Q\r\n"), u"Q"), (TextResult{1, {}}));
    EXPECT_EQ(LookupText(CharTable::FromText(u" 41 =Q\r\n"), u"Q"), (TextResult{1, {0x41}}));
    EXPECT_EQ(LookupText(CharTable::FromText(u"41424344=Q\r\n"), u"Q"), (TextResult{1, {0x41, 0x42, 0x43}}));

    // "=A" CR LF "B" CR is in the table, but a match stops at the script line's CR.
    const CharTable lines = CharTable::FromText(u"41=A\r\nB\r\n43=WXYZ\r\n");
    EXPECT_EQ(LookupText(lines, u"A\r\nB"), (TextResult{1, {0x41}}));
    EXPECT_EQ(LookupText(lines, u"A\r\nB", 1), TextResult{});
    EXPECT_EQ(LookupText(lines, u"WXY"), TextResult{});

    // Nothing matches outside the script or without a search length.
    const CharTable single = CharTable::FromText(u"41=A\r\n");
    EXPECT_EQ(LookupText(single, u"A", 1), TextResult{});
    EXPECT_EQ(LookupText(single, u"A", 100), TextResult{});
    EXPECT_EQ(Result(single.LookupText(u"A", 0, 0)), TextResult{});
    EXPECT_EQ(Result(single.LookupText(u"A", 0, -3)), TextResult{});
    EXPECT_EQ(Result(single.LookupText(u"AB", 0, 50)), (TextResult{1, {0x41}}));
}

// --- Size ---------------------------------------------------------------------------------------

TEST(CharTableScaleTest, PathologicalTablesLoadAndAnswerQuickly) {
    const auto started = std::chrono::steady_clock::now();
    const std::size_t mebi = std::size_t{1} << 20;

    const CharTable equalsLine = CharTable::FromText(u"41=" + std::u16string(mebi, u'='));
    EXPECT_EQ(equalsLine.longestTextLength(), static_cast<std::int32_t>(mebi));
    EXPECT_EQ(Result(equalsLine.LookupText(u"==", 0, 8)), (TextResult{2, {0x41}}));

    // Two such lines: every text of the second repeats one of the first.
    const std::u16string half(mebi / 4, u'=');
    const CharTable twoLines = CharTable::FromText(u"41=" + half + u"\r\n42=" + half);
    EXPECT_EQ(Result(twoLines.LookupText(u"=====", 0, 16)), (TextResult{5, {0x41}}));
    EXPECT_EQ(Lookup(twoLines, {0x42}).size(), half.size() + 2);

    // A key spread over a million spaces is read like "4 1".
    const CharTable spaced = CharTable::FromText(u"4" + std::u16string(mebi, u' ') + u"1=X\r\n");
    for (int i = 0; i < 2000; ++i) ASSERT_EQ(LookupText(spaced, u"X"), (TextResult{1, {0x04, 0x01}}));

    // A million entries for one byte, all empty.
    std::u16string many;
    for (int i = 0; i < 1'000'000; ++i) many += u"41=\r\n";
    const CharTable manyLines = CharTable::FromText(many);
    EXPECT_EQ(manyLines.longestTextLength(), 0);
    EXPECT_EQ(Lookup(manyLines, {0x41}), "/1");

    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_LT(seconds, 20.0);
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
    ASSERT_EQ(table.longestTextLength(), 24);

    std::u16string script;
    std::mt19937 random(5);
    for (int i = 0; i < 100000; ++i) script += static_cast<char16_t>(0x4E00 + random() % 20000);

    const auto started = std::chrono::steady_clock::now();
    for (std::size_t pos = 0; pos < script.size(); ++pos) {
        const int i = script[pos] - 0x4E00;
        const std::uint32_t key = 0x100000u + static_cast<std::uint32_t>(i);
        ASSERT_EQ(Result(table.LookupText(script, pos, 24)),
                  (TextResult{1, {static_cast<int>(key >> 16), static_cast<int>((key >> 8) & 0xFF), static_cast<int>(key & 0xFF)}}));
    }
    // Slots placed by the bare hash held these texts in one long run: 4.6 s here; now some 25 ms.
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_LT(seconds, 2.0);
}

// --- Against the plain searches -----------------------------------------------------------------

namespace {

constexpr std::uint16_t kByteValues[] = {0x41, 0x42, 0xAB, 0x0A, 0x3D, 0x00};

std::u16string RandomKey(std::mt19937& rng, std::size_t byteCount) {
    std::u16string key;
    const int caseRule = static_cast<int>(rng() % 3);  // upper, lower, per letter
    for (std::size_t i = 0; i < byteCount; ++i) {
        for (char16_t c : FormatHex2(kByteValues[rng() % std::size(kByteValues)])) {
            const bool lower = caseRule == 1 || (caseRule == 2 && rng() % 2 == 0);
            key.push_back(lower && c >= u'A' && c <= u'F' ? static_cast<char16_t>(c - u'A' + u'a') : c);
        }
    }
    return key;
}

std::u16string RandomText(std::mt19937& rng, const std::u16string& alphabet, std::size_t maxLength) {
    std::u16string text;
    const std::size_t length = rng() % (maxLength + 1);
    for (std::size_t i = 0; i < length; ++i) text.push_back(alphabet[rng() % alphabet.size()]);
    return text;
}

std::u16string RandomTable(std::mt19937& rng) {
    static const std::u16string kTextChars = u"AAABB=<> \n";
    static const std::u16string kOddStarts[] = {u"",   u" ",  u"  41", u"+4", u"0x4", u"-1",
                                                u"g1", u"4 1", u"41 ", u"41424344", u"\r"};
    std::u16string table;
    const std::size_t lines = rng() % 12;
    for (std::size_t i = 0; i < lines; ++i) {
        switch (rng() % 8) {
        case 0: table += kOddStarts[rng() % std::size(kOddStarts)] + u"=" + RandomText(rng, kTextChars, 3); break;
        case 1: table += RandomText(rng, kTextChars, 4); break;
        default: table += RandomKey(rng, 1 + rng() % 3) + u"=" + RandomText(rng, kTextChars, 4); break;
        }
        switch (rng() % 10) {
        case 0: table += u"\n"; break;
        case 1: table += u"\r"; break;
        case 2: break;
        default: table += u"\r\n"; break;
        }
    }
    return table;
}

}  // namespace

TEST(CharTableDifferentialTest, LookupsEqualPlainSearchesOnRandomTables) {
    std::mt19937 rng(20240611);
    static const std::u16string kScriptChars = u"AAABB=<> \r\n";
    int byteHits = 0;
    int textHits = 0;
    std::vector<CharTable::TextMatch> matches;
    for (int round = 0; round < 2000; ++round) {
        const std::u16string fileText = RandomTable(rng);
        const CharTable table = CharTable::FromText(fileText);
        const std::u16string& text = table.text();
        ASSERT_EQ(text, u"\n" + fileText + u"\r");

        for (int i = 0; i < 8; ++i) {
            std::vector<std::uint16_t> bytes(rng() % 6);
            for (auto& b : bytes) b = rng() % 4 == 0 ? rng() % 256 : kByteValues[rng() % std::size(kByteValues)];
            for (std::size_t p = 0; p <= bytes.size(); ++p) {
                const auto expected = LiteralLookupBytes(text, bytes, p);
                const auto actual = table.LookupBytes(bytes, p);
                ASSERT_EQ(actual.has_value(), expected.has_value()) << Narrow(fileText) << " at " << p;
                if (!expected) continue;
                ++byteHits;
                ASSERT_EQ(Narrow(actual->text), Narrow(expected->first)) << Narrow(fileText) << " at " << p;
                ASSERT_EQ(actual->byteCount, expected->second) << Narrow(fileText) << " at " << p;
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
            const std::u16string script = RandomText(rng, kScriptChars, 8);
            for (std::size_t pos = 0; pos <= script.size(); ++pos) {
                // Every match at pos: the lengths the plain search finds when each is the longest allowed.
                std::vector<TextResult> each;
                for (std::int32_t n = 1; n <= table.longestTextLength(); ++n)
                    if (const TextResult match = LiteralLookupText(text, script, pos, n); match.length == n)
                        each.push_back(match);
                table.FindTextMatches(script, pos, std::min(script.find(u'\r', pos), script.size()), matches);
                std::vector<TextResult> found;
                for (const auto& match : matches) found.push_back(Result(match));
                ASSERT_EQ(found, each) << "table \"" << Narrow(fileText) << "\" script \"" << Narrow(script)
                                           << "\" at " << pos;

                for (const std::int32_t longest : {table.longestTextLength(), table.longestTextLength() + 3,
                                                   std::int32_t{1}, std::int32_t{0}}) {
                    const TextResult expected = LiteralLookupText(text, script, pos, longest);
                    ASSERT_EQ(Result(table.LookupText(script, pos, longest)), expected)
                        << "table \"" << Narrow(fileText) << "\" script \"" << Narrow(script) << "\" at " << pos
                        << " longest " << longest;
                    if (expected.length > 0) ++textHits;
                }
            }
        }
    }
    // The random tables must be rich enough to exercise hits as well as misses.
    EXPECT_GT(byteHits, 2000);
    EXPECT_GT(textHits, 20000);
}
