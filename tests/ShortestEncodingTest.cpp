#include "LiteralTable.h"
#include "TestSupport.h"

#include "ScriptBuilders.h"

#include "chartable/CharTable.h"
#include "commands/Commands.h"
#include "commands/fit/Suggest.h"
#include "insert/ShortestEncoding.h"
#include "insert/Suggest.h"
#include "insert/TableExtension.h"
#include "platform/Numbers.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <regex>

using namespace quorvex;
using quorvex::test::Narrow;

namespace {

// --- The rules written out plainly, over the plain table searches ----------------------------------

// One step of an encoding: where it starts, the characters it takes, its bytes.
struct Step {
    std::size_t at = 0;
    std::size_t length = 0;
    std::vector<int> bytes;
    bool operator==(const Step&) const = default;
};
using Cost = std::function<std::optional<int>(const std::vector<int>& bytes)>;

bool IsEscape(std::u16string_view line, std::size_t pos) {
    return pos + 3 < line.size() && line[pos] == u'<' && line[pos + 3] == u'>';
}

// Every step that can start at pos: the escape there, else for each length the
// entry of the first "=" + text + CR in the table.
std::vector<Step> Steps(const std::u16string& framed, std::u16string_view line, std::size_t pos) {
    if (IsEscape(line, pos)) {
        std::size_t digits = 0;
        while (digits < 2 && HexDigitValue(line[pos + 1 + digits]) >= 0) ++digits;
        return {{pos, 4, {digits == 0 ? 0 : static_cast<int>(*ScanHex(line.substr(pos + 1, digits)))}}};
    }
    std::vector<Step> steps;
    for (std::size_t n = 1; pos + n <= line.size(); ++n) {
        const literal::TextMatch match = literal::LookupText(framed, line, pos, static_cast<std::int32_t>(n));
        if (match.length == static_cast<int>(n))
            steps.push_back({pos, n, std::vector<int>(match.bytes, match.bytes + match.byteCount)});
    }
    return steps;
}

// The cheapest of all cuts of the line, tried one by one.
std::optional<int> BruteForce(const std::u16string& framed, std::u16string_view line, std::size_t pos,
                              const Cost& cost) {
    if (pos == line.size()) return 0;
    std::optional<int> best;
    for (const Step& step : Steps(framed, line, pos)) {
        const auto here = cost(step.bytes);
        const auto rest = BruteForce(framed, line, pos + step.length, cost);
        if (here && rest && (!best || *here + *rest < *best)) best = *here + *rest;
    }
    return best;
}

// Longest match, up to where nothing matches.
std::pair<std::vector<Step>, std::optional<std::size_t>> Greedy(const std::u16string& framed,
                                                                 std::u16string_view line) {
    std::vector<Step> steps;
    for (std::size_t pos = 0; pos < line.size(); pos += steps.back().length) {
        const auto here = Steps(framed, line, pos);
        if (here.empty()) return {steps, pos};
        steps.push_back(here.back());
    }
    return {steps, std::nullopt};
}

std::optional<int> Total(const std::vector<Step>& steps, const Cost& cost) {
    int total = 0;
    for (const Step& step : steps) {
        const auto here = cost(step.bytes);
        if (!here) return std::nullopt;
        total += *here;
    }
    return total;
}

// Letters, mostly under one byte, and words made of them under keys of 0 to 3
// bytes, in any order: a word may cost more than its letters, or take a letter
// a cheaper word needs, so that longest match often loses.
std::u16string RandomTable(std::mt19937& rng) {
    static const std::u16string kWords[] = {u"ab", u"bc", u"ca", u"abc", u"bca", u"cab", u"<", u"a<4", u"1>b"};
    const auto line = [&](int keyBytes, std::u16string_view text) {
        std::u16string key = keyBytes == 0 ? u"Title" : u"";
        for (int i = 0; i < keyBytes; ++i) key += FormatHex2(rng() % 256);
        return key + u"=" + std::u16string(text) + u"\r\n";
    };
    std::vector<std::u16string> lines;
    for (const char16_t* letter : {u"a", u"b", u"c"})
        if (rng() % 8 != 0) lines.push_back(line(rng() % 4 == 0 ? 2 : 1, letter));
    for (int i = 0, words = 3 + static_cast<int>(rng() % 8); i < words; ++i)
        lines.push_back(line(std::min(3, static_cast<int>(rng() % 6)), kWords[rng() % std::size(kWords)]));
    std::shuffle(lines.begin(), lines.end(), rng);
    std::u16string table;
    for (const auto& text : lines) table += text;
    return table;
}

std::u16string RandomLine(std::mt19937& rng) {
    // Characters no entry holds ("d", "g") only in some lines, so that most lines can be encoded.
    static const std::u16string kPieces[] = {u"a", u"b", u"c", u"<41>", u"<g>", u"d"};
    const std::size_t choices = rng() % 4 == 0 ? std::size(kPieces) : 4;
    std::u16string line;
    while (line.size() < 12 && rng() % 10 != 0) line += kPieces[rng() % choices];
    return line;
}

}  // namespace

TEST(ShortestEncodingTest, FewestBytesAndBitsEqualTheBruteForceMinimum) {
    std::mt19937 rng(7);
    int greedyLost = 0;
    int greedyBest = 0;
    int rescued = 0;
    for (int round = 0; round < 4000; ++round) {
        const std::u16string file = RandomTable(rng);
        const CharTable table = CharTable::FromText(file);
        const std::u16string framed = literal::FrameTable(file);
        const std::u16string line = RandomLine(rng);
        const bool huffman = round % 2 == 1;
        // Huffman: 4, 5 or 7 bits per byte value, some values without a code.
        const auto bitsOf = [seed = static_cast<std::uint32_t>(rng())](std::uint8_t value) -> std::optional<int> {
            const std::uint32_t pick = (value * 2654435761u ^ seed) >> 29;
            if (pick == 0) return std::nullopt;
            return pick < 4 ? 4 : pick < 6 ? 5 : 7;
        };
        const Cost cost = [&](const std::vector<int>& bytes) -> std::optional<int> {
            if (!huffman) return static_cast<int>(bytes.size());
            return bytes.empty() ? 0 : bitsOf(static_cast<std::uint8_t>(bytes[0]));
        };
        // The line stands inside a script, between other lines.
        const std::u16string script = u"x\r\n" + line + u"\r\ny";
        const auto encoded = huffman ? EncodeFewestBits(script, 3, 3 + line.size(), table, bitsOf)
                                     : EncodeShortestLine(script, 3, 3 + line.size(), table);
        const std::size_t reached = encoded.notInTableAt.value_or(encoded.end) - 3;
        std::vector<Step> got;
        for (std::size_t i = encoded.characters.size(); i-- > 0;) {
            const auto& c = encoded.characters[i];
            const std::size_t next = got.empty() ? reached : got.front().at;
            got.insert(got.begin(), {c.at - 3, next - (c.at - 3), std::vector<int>(c.bytes, c.bytes + c.count)});
        }

        const auto best = BruteForce(framed, line, 0, cost);
        const auto [greedy, greedyFailedAt] = Greedy(framed, line);
        std::optional<int> greedyTotal;
        if (!greedyFailedAt) greedyTotal = Total(greedy, cost);
        const std::string context = "table \"" + Narrow(file) + "\" line \"" + Narrow(line) + "\"" +
                                    (huffman ? " huffman" : "");
        ASSERT_EQ(encoded.end, 3 + line.size()) << context;
        if (!best) {
            // Nothing encodes the line: longest match's result and its report.
            ASSERT_EQ(got, greedy) << context;
            ASSERT_EQ(encoded.notInTableAt, greedyFailedAt ? std::optional(*greedyFailedAt + 3) : std::nullopt);
            continue;
        }
        // The steps cover the line, each is one the table allows there, and no cut is cheaper.
        ASSERT_FALSE(encoded.notInTableAt) << context;
        ASSERT_EQ(got.empty() ? 0 : got[0].at, 0u) << context;
        for (const Step& step : got) {
            const auto allowed = Steps(framed, line, step.at);
            ASSERT_NE(std::find(allowed.begin(), allowed.end(), step), allowed.end()) << context << " at " << step.at;
        }
        ASSERT_EQ(Total(got, cost), best) << context;
        // What longest match would take is told from the same walk.
        ASSERT_EQ(encoded.longestCost, greedyTotal ? std::optional<std::int64_t>(*greedyTotal) : std::nullopt) << context;
        if (greedyTotal == best) {
            ASSERT_EQ(got, greedy) << context;
            ++greedyBest;
        } else {
            greedyLost += greedyTotal.has_value();
            rescued += !greedyTotal.has_value();
        }
    }
    // The random cases must hold all three kinds.
    EXPECT_GT(greedyLost, 50);
    EXPECT_GT(greedyBest, 500);
    EXPECT_GT(rescued, 50);
}

// --- Suggestions --------------------------------------------------------------------------------

namespace {

// The bytes of the lines as Check Insert counts them: longest match through the table, or the shortest encoding.
std::int64_t Encoded(const CharTable& table, const std::vector<std::u16string>& lines, bool shortest) {
    std::int64_t total = 0;
    for (const std::u16string& line : lines) {
        if (shortest) {
            const auto encoded = EncodeShortestLine(line, 0, line.size(), table);
            EXPECT_FALSE(encoded.notInTableAt) << Narrow(line);
            for (const auto& character : encoded.characters) total += character.count;
            continue;
        }
        for (std::size_t pos = 0; pos < line.size();) {
            const auto match = table.LookupText(line, pos, table.longestTextLength());
            const bool escape = IsEscape(line, pos);
            EXPECT_TRUE(escape || match.length > 0) << Narrow(line);
            total += escape ? 1 : match.byteCount;
            pos += escape ? 4 : std::max(match.length, 1);
        }
    }
    return total;
}

}  // namespace

TEST(SuggestTest, SavingsAreWhatTheExtendedTableGives) {
    const std::u16string letters = u"6E=n\r\n61=a\r\n62=b\r\n63=c\r\n64=d\r\n65=e\r\n68=h\r\n74=t\r\n20= \r\n3D==\r\n";
    const auto range = std::optional(std::pair<std::uint8_t, std::uint8_t>{0x60, 0x6F});
    const std::pair<SuggestOptions, std::u16string> cases[] = {
        // count, codes, min and max length, shortest; table
        {{64, {}, 2, 2, false}, letters},
        {{5, {}, 2, 5, false}, letters + u"8081=the\r\n"},
        {{64, {}, 3, 6, true}, letters + u"90=th\r\n91=he\r\nA0=e \r\n"},
        {{64, range, 2, 3, false}, letters},
        {{40, {}, 1, 3, true}, letters + u"808182=the\r\n82=he\r\n"},
        {{64, {}, 2, 32, false}, letters + u"90=th\r\n"},
    };
    static const std::u16string kWords[] = {u"the ", u"then ", u"he ", u"a ", u"cat", u"bad ", u"<0A>", u"<64>", u"=",
                                            u"tea "};
    std::mt19937 rng(11);
    for (const auto& [options, tableText] : cases) {
        std::vector<std::u16string> lines(200);
        for (auto& line : lines)
            for (int i = 0, words = static_cast<int>(rng() % 12); i < words; ++i) line += kWords[rng() % 10];
        const std::vector<std::u16string_view> views(lines.begin(), lines.end());
        const CharTable table = CharTable::FromText(tableText);
        const Suggestions got = SuggestEntries(table, views, options);
        const std::string context = Narrow(tableText) + " max " + std::to_string(options.maxLength);
        ASSERT_FALSE(got.notInTable) << context;
        ASSERT_FALSE(got.entries.empty()) << context;
        // 0x60 to 0x6F less the table's codes: 10 of them.
        EXPECT_LE(got.entries.size(), options.codes ? 10u : static_cast<std::size_t>(options.count)) << context;

        // Re-encoded with the table extended entry by entry, the text shrinks by each saving printed.
        std::int64_t expected = Encoded(table, lines, options.shortest);
        EXPECT_EQ(got.bytesBefore, expected) << context;
        std::vector<int> codes;
        for (std::size_t i = 0; i < got.entries.size(); ++i) {
            const SuggestedEntry& entry = got.entries[i];
            const std::string about = context + " " + Narrow(entry.text);
            EXPECT_GT(entry.saving, 0) << about;
            expected -= entry.saving;
            const auto extended = CharTable::FromText(ExtendTableText(tableText, std::span(got.entries).first(i + 1)));
            EXPECT_EQ(Encoded(extended, lines, options.shortest), expected) << about;

            // A free code (not the table's, not an escape's), and a run of 2 to
            // maxLength characters that occurs twice and crosses no escape.
            EXPECT_FALSE(table.UsesByte(entry.code) || entry.code == 0x0A) << about;
            EXPECT_TRUE(!options.codes || (entry.code >= 0x60 && entry.code <= 0x6F)) << about;
            EXPECT_EQ(std::count(codes.begin(), codes.end(), entry.code), 0) << about;
            codes.push_back(entry.code);
            EXPECT_GE(entry.text.size(), static_cast<std::size_t>(std::max(options.minLength, 2))) << about;
            EXPECT_LE(entry.text.size(), static_cast<std::size_t>(options.maxLength)) << about;
            EXPECT_EQ(entry.text.find_first_of(u"<>="), std::u16string::npos) << about;
            std::size_t occurrences = 0;
            for (const auto& line : lines)
                for (auto at = line.find(entry.text); at != std::u16string::npos; at = line.find(entry.text, at + 1))
                    ++occurrences;
            EXPECT_GE(occurrences, 2u) << about;
        }
        EXPECT_EQ(got.bytesAfter, expected) << context;
    }

    // A character the table lacks stops the suggestions where longest match stops.
    const std::u16string_view unknown[] = {u"ab", u"a<41>zc"};
    const Suggestions stopped = SuggestEntries(CharTable::FromText(letters), unknown, {});
    ASSERT_TRUE(stopped.notInTable);
    EXPECT_EQ(stopped.notInTable->line, 1u);
    EXPECT_EQ(stopped.notInTable->at, 5u);
    EXPECT_TRUE(stopped.entries.empty());
}

// Each pick saves as much as the best run a brute-force greedy round finds on
// the same table: a trial that counted overlapping occurrences ("..." twice in
// "....") would pick runs that save less than they promise.
TEST(SuggestTest, EachPickIsTheBestRunOfItsRound) {
    const std::u16string tableText = u"2E=.\r\n61=a\r\n62=b\r\n63=c\r\n20= \r\n";
    static const std::u16string kWords[] = {u"....", u"...", u"ab ", u"b.a", u"cab", u".....", u"a c "};
    std::mt19937 rng(5);
    std::vector<std::u16string> lines(40);
    for (auto& line : lines)
        for (int i = 0, words = 1 + static_cast<int>(rng() % 6); i < words; ++i) line += kWords[rng() % 7];
    const std::vector<std::u16string_view> views(lines.begin(), lines.end());
    const SuggestOptions options{8, std::pair<std::uint8_t, std::uint8_t>{0x80, 0x8F}, 2, 3, false};
    const Suggestions got = SuggestEntries(CharTable::FromText(tableText), views, options);
    ASSERT_FALSE(got.entries.empty());
    for (std::size_t i = 0; i < got.entries.size(); ++i) {
        const auto chosen = std::span(got.entries).first(i);
        const std::int64_t before = Encoded(CharTable::FromText(ExtendTableText(tableText, chosen)), lines, false);
        std::int64_t best = 0;
        for (const auto& line : lines) {
            for (std::size_t at = 0; at < line.size(); ++at) {
                for (std::size_t length = 2; length <= 3 && at + length <= line.size(); ++length) {
                    std::vector<SuggestedEntry> trial(chosen.begin(), chosen.end());
                    trial.push_back({got.entries[i].code, line.substr(at, length), 0});
                    const auto extended = CharTable::FromText(ExtendTableText(tableText, trial));
                    best = std::max(best, before - Encoded(extended, lines, false));
                }
            }
        }
        EXPECT_EQ(got.entries[i].saving, best) << "pick " << i << ": " << Narrow(got.entries[i].text);
    }
}

TEST(SuggestTest, TheTableFileKeepsItsEncodingAndLineEnds) {
    const auto bytes = [](std::string_view text) { return std::vector<std::uint8_t>(text.begin(), text.end()); };
    const auto utf16 = [](std::u16string_view text, bool little) {
        std::vector<std::uint8_t> out;
        std::u16string marked(1, u'\uFEFF');
        marked += text;
        for (const char16_t c : marked) {
            out.push_back(static_cast<std::uint8_t>(little ? c & 0xFF : c >> 8));
            out.push_back(static_cast<std::uint8_t>(little ? c >> 8 : c & 0xFF));
        }
        return out;
    };
    const std::vector<SuggestedEntry> entries = {{0xE0, u"th", 9}, {0x0B, u"\u00E9+ ", 3}};
    const std::tuple<ReadMode, std::vector<std::uint8_t>, bool> cases[] = {
        // read mode, file, whether its lines end in LF alone
        {ReadMode::UTF8, bytes("41=A\r\n42=B\r\n"), false},
        {ReadMode::UTF8, bytes("\xEF\xBB\xBF" "41=A\n42=B"), true},
        {ReadMode::UTF7, bytes("2B=+-\r\n61=+AGE-"), false},
        {ReadMode::UTF7, bytes(""), false},
        {ReadMode::Ascii, bytes("E9=\xE9\n41=A"), true},
        {ReadMode::UTF8, utf16(u"41=A\r\n", true), false},
        {ReadMode::UTF7, utf16(u"41=A\n42=\u4E00", false), true},
    };
    for (const auto& [mode, file, lineFeeds] : cases) {
        TextDecoding decoding;
        decoding.mode = mode;
        const auto extended = ExtendTableFile(file, decoding, entries);
        ASSERT_TRUE(extended) << static_cast<int>(mode);
        ASSERT_TRUE(std::equal(file.begin(), file.end(), extended->begin())) << static_cast<int>(mode);
        EXPECT_EQ(Narrow(DecodeTextFile(*extended, decoding)),
                  Narrow(ExtendTableText(DecodeTextFile(file, decoding), entries)));
        // No entry holds a 0x0D byte in any of these encodings: only CR LF line ends do.
        const auto appended = extended->begin() + static_cast<std::ptrdiff_t>(file.size());
        EXPECT_EQ(lineFeeds, std::find(appended, extended->end(), 0x0D) == extended->end()) << static_cast<int>(mode);
    }
    EXPECT_EQ(Narrow(ExtendTableText(u"41=A", entries)), "41=A\r\nE0=th\r\n0B=\xC3\xA9+ \r\n");

    // What the file cannot hold, or would not read, is refused.
    TextDecoding ascii;
    ascii.mode = ReadMode::Ascii;
    EXPECT_FALSE(ExtendTableFile(bytes("41=A\r\n"), ascii, std::vector<SuggestedEntry>{{0xE0, u"\u4E00\u4E01", 1}}));
    EXPECT_FALSE(ExtendTableFile(bytes(std::string_view("41=A\r\n\0", 7)), ascii, entries));
}

// --- The suggest command, and insert --shortest, on the demo ------------------------------------

namespace {

// "Total length: N" of check's report with the table file.
std::int64_t CheckedTotal(const std::filesystem::path& table, const std::u16string& script, bool shortest) {
    const TextDecoding decoding{ReadMode::UTF8, "windows-1252"};
    const std::u16string report =
        commands::CheckInsert({{}, {table}, {{}, &script}, decoding, shortest}).output.value_or(u"");
    const std::size_t at = report.find(u"Total length: ");
    return at == std::u16string::npos ? -1 : std::stoll(Narrow(report.substr(at + 14, 8)));
}

}  // namespace

TEST(SuggestTest, TheCommandPrintsWhatCheckMeasuresWithTheExtendedTable) {
    test::TempDir dir;
    // The demo's table, with a key whose second byte, 36, no suggestion may take.
    const std::string tableFile = test::ReadString(QUORVEX_SOURCE_DIR "/examples/demo.tbl") + "F036=[Quest]\r\n";
    test::WriteText(dir / "demo.tbl", tableFile);
    const CharTable table = CharTable::FromText(FromUtf8(tableFile));
    const auto script = commands::Extract({QUORVEX_SOURCE_DIR "/examples/demo.bin", {{}, &table}, {},
                                           ReadJobFields({u"10", u"37", u"100", u"293", u"", u""}, true),
                                           TableType::Regular2, TextType::Regular, {}}).output.value_or(u"");
    test::WriteText(dir / "demo.txt", Narrow(script));
    const std::tuple<bool, int, std::optional<std::pair<std::uint8_t, std::uint8_t>>> cases[] = {
        {false, 2, {}}, {true, 6, {}}, {false, 32, std::pair<std::uint8_t, std::uint8_t>{0x35, 0x38}}};
    for (const auto& [shortest, maxLength, codes] : cases) {
        const TextDecoding decoding{ReadMode::UTF8, "windows-1252"};
        const auto result = commands::Suggest(
            {dir / "demo.tbl", {dir / "demo.txt"}, decoding, 64, codes, 2, maxLength, shortest, dir / "new.tbl"});
        ASSERT_TRUE(result.ok() && result.output) << maxLength;
        std::vector<std::u16string> lines = test::SplitLines(*result.output + u"\r\n");
        std::smatch totals;
        const std::string last = Narrow(lines.back());
        ASSERT_TRUE(std::regex_match(last, totals, std::regex(R"(The text takes (\d+) bytes instead of (\d+) \((\d+) fewer\)\.)")));
        lines.pop_back();
        EXPECT_EQ(CheckedTotal(dir / "demo.tbl", script, shortest), std::stoll(totals[2]));
        EXPECT_EQ(CheckedTotal(dir / "new.tbl", script, shortest), std::stoll(totals[1]));
        EXPECT_EQ(std::stoll(totals[2]) - std::stoll(totals[1]), std::stoll(totals[3]));
        std::string appended;
        for (const std::u16string& line : lines) {
            std::smatch entry;
            const std::string text = Narrow(line);
            ASSERT_TRUE(std::regex_match(text, entry, std::regex("([0-9A-F]{2})=([^\t]+)\t([1-9][0-9]*)"))) << text;
            const int code = std::stoi(entry[1], nullptr, 16);
            // No control code ("[END]", "[LINE]", "[Hero]") is ever part of a run.
            EXPECT_EQ(entry[2].str().find_first_of("[]"), std::string::npos) << text;
            EXPECT_LE(entry[2].length(), static_cast<std::size_t>(maxLength)) << text;
            EXPECT_TRUE(code != 0x36 && (!codes || (code >= 0x35 && code <= 0x38))) << text;
            appended += entry[1].str() + "=" + entry[2].str() + "\r\n";
        }
        EXPECT_TRUE(codes ? lines.size() == 3 : lines.size() > 40) << lines.size();
        EXPECT_EQ(test::ReadString(dir / "new.tbl"), tableFile + appended);
    }
    // Requests out of bounds are refused before anything is read.
    for (const auto& [count, minLength, maxLength] : {std::tuple{-1, 2, 2}, {64, 1, 2}, {64, 3, 2}, {64, 2, 33}})
        EXPECT_EQ(commands::Suggest({dir / "none.tbl", {dir / "none.txt"}, {}, count, {}, minLength, maxLength}).exit,
                  ExitClass::Usage);
}

// Where a word and a pair overlap ("Wel" and "lcome"), insert --shortest writes
// fewer bytes than longest match, and extracting them gives back the same text.
TEST(ShortestEncodingTest, InsertShortestThenExtractGivesBackTheScript) {
    test::TempDir dir;
    const std::string tableFile =
        test::ReadString(QUORVEX_SOURCE_DIR "/examples/demo.tbl") + "F2=Wel\r\nF3=lcome\r\nF4=Th\r\nF5=he \r\nF6=e l\r\n";
    const CharTable table = CharTable::FromText(FromUtf8(tableFile));
    JobSettings job = ReadJobFields({u"10", u"37", u"100", u"293", u"", u""}, true);
    const auto extract = [&](const std::filesystem::path& rom) {
        return commands::Extract({rom, {{}, &table}, {}, job, TableType::Regular2, TextType::Regular, {}}).output.value_or(u"");
    };
    const std::u16string script = extract(QUORVEX_SOURCE_DIR "/examples/demo.bin");
    const std::string report = Narrow(commands::CheckInsert({{}, {{}, &table}, {{}, &script}, {}, true}).output.value_or(u""));
    std::smatch total;
    ASSERT_TRUE(std::regex_search(report, total, std::regex(R"(Total length: (\d+)[^]*Shortest encoding: [1-9]\d* bytes fewer)")));
    test::RecordingPrompt prompt;
    ASSERT_TRUE(commands::Insert({QUORVEX_SOURCE_DIR "/examples/demo.bin", {{}, &table}, {{}, &script}, {}, true, dir / "out.bin"}, prompt).ok());
    // The last string runs to the text's end: the old bytes after the shorter text are no part of it.
    job.textEnd = job.textStart + std::stoi(total[1]) - 1;
    EXPECT_EQ(test::Body(extract(dir / "out.bin")), test::Body(script));
}
