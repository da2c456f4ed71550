// Insert and Check Insert: the bytes a script becomes, the reports, and that a
// stopped insert leaves the ROM file exactly as it was. The script format they
// read: header, body and pointer lines; the job fields as typed; the job ReDo
// Script reads from a header.
#include "chartable/CharTable.h"
#include "commands/Commands.h"
#include "insert/CheckInsert.h"
#include "insert/Insert.h"
#include "insert/RedoScript.h"
#include "job/Messages.h"
#include "platform/Numbers.h"

#include "LiteralTable.h"
#include "ScriptBuilders.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <random>

namespace quorvex {
namespace {

using namespace test;
using Changes = std::vector<std::pair<std::size_t, Bytes>>;
using Texts = std::vector<std::u16string>;
using Verdict = CheckReport::Verdict;
constexpr TableType R2 = TableType::Regular2;

const CharTable kAB = CharTable::FromText(u"41=A\r\n42=B\r\n43=C\r\n");
const Bytes kBlank(0x40, 0xEE);

// The Huffman v2 code table at 0x40: 10 20 ... F0, then 01 ... 21.
Bytes HuffmanRom() {
    RomBuilder rom(0x200, 0xEE);
    for (int i = 0; i < 48; ++i)
        rom.Put(0x40 + static_cast<std::size_t>(i), {static_cast<std::uint8_t>(i < 15 ? (i + 1) * 0x10 : i - 14)});
    return rom.bytes();
}
// b is index 1 (0 001), "." index 10 (1 0 010), z index 20 (1 1 00100);
// 2122 is a two-byte entry whose first byte 21 is index 47; E1 is no index.
const CharTable kHuffmanTable = CharTable::FromText(u"20=b\r\nB0=.\r\n06=z\r\n2122=w\r\nE1=?\r\n");

Bytes With(Bytes rom, const Changes& changes) {
    for (const auto& [offset, bytes] : changes) std::copy(bytes.begin(), bytes.end(), rom.begin() + static_cast<long>(offset));
    return rom;
}

TEST(InsertTest, WritesWhatEachScriptSays) {
    const CharTable escapes = CharTable::FromText(u"41=A\r\n77=<FF>\r\n3C=<\r\n3E=>\r\n58=X\r\n42=B\r\n");
    const CharTable digits = CharTable::FromText(u"41=A\r\n30=0\r\n31=1\r\n78=x\r\n");
    const struct {
        const char* name;
        Bytes rom;
        JobSettings job;
        TableType type;
        std::u16string body;
        const CharTable* table;
        Changes changes;
        std::u16string message;  // the final message, when the case is about it
        TextType textType = TextType::Regular;
    } cases[] = {
        // <FF> is the byte though an entry has that text; <GH> has no digits (0);
        // <4a> is lower case; <7>> has one digit; <ABX> is no escape.
        {"escapes win and read up to two digits", kBlank, Job(0, 0, 0x10, 0x3F), R2, Lines({u"<FF><GH><4a><7>>A<ABX>"}),
         &escapes, {{0x10, {0xFF, 0x00, 0x4A, 0x07, 0x41, 0x3C, 0x41, 0x42, 0x58, 0x3E}}}, {}},
        {"without a table every line is escapes", kBlank, Job(0, 0, 0x10, 0x3F), R2, Lines({u"<41><42>", u"<0a>"}),
         nullptr, {{0x10, {0x41, 0x42, 0x0A}}}, {}},
        // Table End 0: no pointer lines, so "10" and a listing line are text too.
        {"no table: strings back to back", kBlank, Job(0x10, 0, 0x20, 0x2F), R2, Lines({u"10", u"A", u"", u"0x1"}),
         &digits, {{0x20, {0x31, 0x30, 0x41, 0x30, 0x78, 0x31}}}, messages::EndedLeftOver(10)},
        // A marker needs its separator, a single space: both lines are plain pointer lines.
        {"no marker", kBlank, Job(0x10, 0x13, 0x20, 0x3F), R2, Lines({u"10r12", u"A", u"12  r10", u"B"}), &kAB,
         {{0x10, {0x20, 0x00, 0x21, 0x00}}, {0x20, {0x41, 0x42}}}, {}},
        {"a move line, the next strings follow on", Bytes(0xA00, 0xEE), Job(0x10, 0x16, 0x810, 0x9FF, 0x800), R2,
         Lines({u"10", u"A", u"14 m900", u"BC", u"12", u"A"}), &kAB,
         {{0x10, {0x10, 0x00, 0x02, 0x01, 0x00, 0x01}}, {0x810, {0x41}}, {0x900, {0x42, 0x43, 0x41}}},
         messages::EndedLeftOver(0xA00 - 0x903)},
        // 10 names 14, written only later; 12 names 10 (a chain); 16 names 30,
        // which no line writes, so it takes 30's bytes as they are.
        {"a repeat takes the new value", RomBuilder(0x100, 0xEE).Put(0x30, {0x77, 0x66}).bytes(),
         Job(0x10, 0x18, 0x80, 0xFF), R2, Lines({u"10 r14", u"12 R10", u"16 r30", u"14", u"AB"}), &kAB,
         {{0x10, {0x80, 0x00, 0x80, 0x00, 0x80, 0x00, 0x77, 0x66}}, {0x80, {0x41, 0x42}}}, {}},
        {"repeats naming each other keep their bytes", RomBuilder(0x100, 0xEE).Put(0x10, {1, 2, 3, 4}).bytes(),
         Job(0x10, 0x18, 0x80, 0xFF), R2, Lines({u"10 r12", u"12 r10", u"16", u"A"}), &kAB,
         {{0x16, {0x80, 0x00}}, {0x80, {0x41}}}, {}},
        // Table 0x100 to 0x107: half 4. Entry 0x101 repeats 0x102, written later.
        {"a Variation1 repeat copies both halves", Bytes(0x400, 0xEE), Job(0x100, 0x107, 0x300, 0x3FF),
         TableType::Variation1, Lines({u"100", u"A", u"101 r102", u"102", u"B"}), &kAB,
         {{0x100, {0x00, 0x01, 0x01}}, {0x104, {0x03, 0x03, 0x03}}, {0x300, {0x41, 0x42}}}, {}},
        {"Scattered lines without an offset are written and counted", Bytes(0x200, 0xEE), Job(0x10, 0x40, 0x100, 0x1FF),
         TableType::Scattered2, Lines({u"(100)", u"AB", u"20 (102)", u"C", u"  (103)", u"A"}), &kAB,
         {{0x20, {0x02, 0x01}}, {0x100, {0x41, 0x42, 0x43, 0x41}}},
         messages::EndedLeftOver(0xFC) + u"\r\n" + messages::StringsWithoutPointer(2)},
        // 0001 10010 1100100 fills two bytes exactly; 0001 10010 needs a second,
        // mostly empty byte; the empty line is one zero byte.
        {"Huffman v2 ends each string on a whole byte", HuffmanRom(), Job(0x10, 0x15, 0x100, 0x1FF, 0, 0x40), R2,
         Lines({u"10", u"b.z", u"12", u"b.", u"14", u"", u"14 r12"}), &kHuffmanTable,
         {{0x10, {0x00, 0x01, 0x02, 0x01, 0x02, 0x01}}, {0x100, {0x19, 0x64, 0x19, 0x00, 0x00}}}, {}, TextType::HuffmanV2},
        // 11 11111 (index 47), then 10 010 (index 10): 1111 1111 | 0010 0000.
        {"Huffman v2 takes the first byte of a longer entry", HuffmanRom(), Job(0, 0, 0x100, 0x1FF, 0, 0x40), R2,
         Lines({u"w<B0>"}), &kHuffmanTable, {{0x100, {0xFF, 0x20}}}, {}, TextType::HuffmanV2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingPrompt prompt;
        const InsertResult result = Insert(c.rom, c.table, Script(c.job, c.type, c.textType, c.body), prompt);
        ASSERT_EQ(result.outcome, InsertResult::Outcome::Written) << Narrow(result.message);
        EXPECT_EQ(result.image, With(c.rom, c.changes));
        EXPECT_TRUE(prompt.questions.empty());
        EXPECT_TRUE(c.message.empty() || result.message == c.message) << Narrow(result.message);
    }
}

// Every stop: Insert names the cause and the ROM file keeps its bytes and
// its time; Check Insert ends its report with the same cause.
TEST(InsertTest, EveryStopLeavesTheRomFileAsItWas) {
    const auto bad = &messages::BadLine;  // the header takes nine lines
    const auto pointers = Job(0x10, 0x13, 0x20, 0x3F);
    const auto huffman = Job(0, 0, 0x100, 0x1FF, 0, 0x40);
    // E1 is no code byte; 77 occurs, but only at index 53. At 0x1FC the code
    // table is cut short by the end of the file: EE (the filler) is found, 20 not.
    const Bytes huffmanRom = RomBuilder(0).Put(0, HuffmanRom()).Put(0x40 + 53, {0x77}).bytes();
    const CharTable huffmanTable = CharTable::FromText(u"20=b\r\nE1=?\r\n77=s\r\nEE=e\r\n");
    const Bytes short30(0x30, 0xEE);
    const std::u16string unexpected(messages::kUnexpectedLetter);
    const struct {
        Bytes rom;
        JobSettings job;
        TableType type;
        std::u16string body;
        const CharTable* table;
        std::u16string message;
        std::u16string checkTail;  // empty: Check Insert, which knows no file size, goes on
        TextType textType = TextType::Regular;
    } cases[] = {
        {kBlank, pointers, R2, Lines({u"10", u"AB", u"12", u"AxyzB"}), &kAB, messages::NotInTable(u"xyz") + u"\r\nLine 13, column 2.",
         unexpected + u"xyz\r\nLine 13, column 2.\r\n"},
        {kBlank, Job(0, 0, 0x20, 0x3F), R2, u"Ax", &kAB, messages::NotInTable(u"x") + u"\r\nLine 10, column 2.",
         unexpected + u"x\r\nLine 10, column 2.\r\n"},
        {huffmanRom, huffman, R2, Lines({u"b?bb"}), &huffmanTable, messages::NotInTable(u"?bb") + u"\r\nLine 11, column 2.",
         unexpected + u"?bb\r\nLine 11, column 2.\r\n", TextType::HuffmanV2},
        {huffmanRom, huffman, R2, Lines({u"bsbb"}), &huffmanTable, messages::NotInTable(u"sbb") + u"\r\nLine 11, column 2.",
         unexpected + u"sbb\r\nLine 11, column 2.\r\n", TextType::HuffmanV2},
        {huffmanRom, Job(0, 0, 0x100, 0x1FF, 0, 0x1FC), R2, Lines({u"ebbb"}), &huffmanTable, messages::NotInTable(u"bbb") + u"\r\nLine 11, column 2.",
         unexpected + u"bbb\r\nLine 11, column 2.\r\n", TextType::HuffmanV2},
        {kBlank, pointers, R2, Lines({u"10", u"A", u"", u"B"}), &kAB, bad(12, messages::kNeedsOffset, u""), {}},
        {kBlank, pointers, R2, Lines({u"10", u"A", u"x12", u"B"}), &kAB, bad(12, messages::kNeedsOffset, u"x12"), {}},
        {kBlank, pointers, R2, Lines({u"10", u"A", u"12 r", u"B"}), &kAB, bad(12, messages::kNeedsSecondOffset, u"12 r"), {}},
        {kBlank, pointers, R2, Lines({u"10 mZZ", u"A"}), &kAB, bad(10, messages::kNeedsSecondOffset, u"10 mZZ"), {}},
        {kBlank, pointers, R2, Lines({u"(20)", u"A"}), &kAB, bad(10, messages::kNeedsOffset, u"(20)"), {}},
        {kBlank, pointers, R2, Lines({u"10", u"<41>", u"12", u"<42>A"}), nullptr, bad(13, messages::kNeedsEscapes, u"<42>A"), {}},
        {kBlank, pointers, R2, Lines({u"10", u"<41><4"}), nullptr, bad(11, messages::kNeedsEscapes, u"<41><4"), {}},
        // Text running off the file though the text area goes on; a pointer, a
        // repeat's source, a Variation1 high byte or a length byte past the end.
        {short30, Job(0x10, 0x13, 0x2E, 0x40), R2, Lines({u"10", u"ABC"}), &kAB, messages::PastEndOfRom(0x30), {}},
        {short30, Job(0x10, 0x13, 0x20, 0x40), R2, Lines({u"10 m35", u"A"}), &kAB, messages::PastEndOfRom(0x35), {}},
        {short30, Job(0x10, 0x13, 0x20, 0x2F), R2, Lines({u"2F", u"A"}), &kAB, messages::PastEndOfRom(0x30), {}},
        {short30, Job(0x10, 0x13, 0x20, 0x2F), TableType::Regular4, Lines({u"FFFFFFFE", u"A"}), &kAB,
         messages::PastEndOfRom(-2), {}},
        {short30, Job(0x10, 0x13, 0x20, 0x2F), R2, Lines({u"10 r40", u"12", u"A"}), &kAB, messages::PastEndOfRom(0x40), {}},
        {short30, Job(0x10, 0x50, 0x20, 0x2F), TableType::Variation1, Lines({u"11", u"A"}), &kAB,
         messages::PastEndOfRom(0x31), {}},
        {short30, Job(0x2F, 0x31, 0x20, 0x2F), TableType::PascalLine, Lines({u"A", u"B"}), &kAB,
         messages::PastEndOfRom(0x30), {}},
        {HuffmanRom(), Job(0, 0, 0x1FF, 0x2FF, 0, 0x40), R2, Lines({u"b.z"}), &kHuffmanTable, messages::PastEndOfRom(0x200), {},
         TextType::HuffmanV2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.body));
        TempDir dir;
        const FrozenFile rom(dir / "game.rom", c.rom);
        const std::u16string script = Script(c.job, c.type, c.textType, c.body);
        RecordingPrompt prompt;
        const CommandResult result = commands::Insert({rom.path(), {{}, c.table}, {{}, &script}}, prompt);
        EXPECT_EQ(result.exit, ExitClass::Failed);
        EXPECT_EQ(result.messages, (std::vector<Message>{{Severity::Warning, c.message}}));
        EXPECT_TRUE(rom.Unchanged());
        EXPECT_EQ(dir.Files(), std::vector<std::string>{"game.rom"});
        const CheckReport report = CheckInsert(c.table, script, c.rom);
        // A malformed line is reported in the same words by both.
        const std::u16string tail = c.message.starts_with(u"Line ") ? c.message : c.checkTail;
        EXPECT_EQ(report.verdict == Verdict::Stopped, !tail.empty());
        EXPECT_TRUE(report.text.ends_with(tail)) << Narrow(report.text);
    }
}

// Insert reads the longest text length from the table: on random tables it is
// what the literal count gives.
TEST(InsertTest, TheLongestTextLengthIsTheLiteralCount) {
    std::mt19937 random(11);
    const std::array pieces{u"4", u"=", u"A", u"\r", u"\r\n"};
    for (int trial = 0; trial < 2000; ++trial) {
        std::u16string text;
        for (int n = static_cast<int>(random() % 30); n > 0; --n) text += pieces[random() % pieces.size()];
        EXPECT_EQ(CharTable::FromText(text).longestTextLength(), literal::LongestTextLength(literal::FrameTable(text)))
            << Narrow(text);
    }
}

// The report after a walk that reached the end.
std::u16string Finished(std::int32_t textStart, std::int32_t textEnd, std::int64_t total, std::u16string_view verdict) {
    return messages::CheckFirstLine(textStart, textEnd, std::int64_t{textEnd} - textStart + 1) +
           std::u16string(messages::kCheckDone) + messages::TotalLength(total) + std::u16string(verdict);
}

TEST(CheckInsertTest, TheVerdictComparesTheTotalWithTheTextArea) {
    const CharTable table = CharTable::FromText(u"41=A\r\n42=B\r\n43=C\r\n4142=AB\r\n");
    const std::u16string fits(messages::kTextFits);
    const auto five = Job(0x10, 0x13, 0x100, 0x104);  // 5 bytes; "AB" is one two-byte entry
    const struct {
        JobSettings job;
        TableType type;
        std::u16string body;
        const CharTable* table;
        std::int64_t total;
        Verdict verdict;
        std::u16string tail;
    } cases[] = {
        {five, R2, Lines({u"10", u"ABC", u"12", u"AB"}), &table, 5, Verdict::Fits, fits},
        {five, R2, Lines({u"10", u"ABC", u"12", u"ABCA"}), &table, 7, Verdict::Over, messages::CheckOver(2)},
        {five, R2, Lines({u"10", u"A", u"12", u"C"}), &table, 2, Verdict::Under, messages::CheckUnder(3)},
        // Repeats add nothing, a move line's text is counted.
        {Job(0x10, 0x17, 0x100, 0x1FF), R2, Lines({u"10 r12", u"12", u"AB", u"14 m180", u"CCC", u"16", u""}), &table,
         5, Verdict::Under, messages::CheckUnder(251)},
        // A length table is left out of the count.
        {Job(0x20, 0x22, 0x100, 0x103), TableType::PascalLine, Lines({u"A", u"", u"BCA"}), &table, 4, Verdict::Fits, fits},
        // A Scattered line naming no pointer still has its text counted.
        {Job(0x10, 0x40, 0x100, 0x102), TableType::Scattered2, Lines({u"(100)", u"A", u"20 (101)", u"CB"}), &table, 3,
         Verdict::Fits, fits},
        {Job(0, 0, 0x100, 0x1FF), R2, Lines({u"<41><42><FF>", u"<00>"}), nullptr, 4, Verdict::Under, messages::CheckUnder(252)},
        // An empty body fits only an empty area.
        {Job(0, 0, 0x100, 0xFF), R2, u"", &table, 0, Verdict::Fits, fits},
        {Job(0, 0, 0x100, 0x100), R2, u"", &table, 0, Verdict::Under, messages::CheckUnder(1)},
    };
    for (const auto& c : cases) {
        const CheckReport report = CheckInsert(c.table, Script(c.job, c.type, TextType::Regular, c.body));
        EXPECT_EQ(report.text, Finished(c.job.textStart, c.job.textEnd, c.total, c.tail)) << Narrow(c.body);
        EXPECT_EQ(report.verdict, c.verdict) << Narrow(c.body);
    }
}

// a: index 1 (4 bits), k: index 10 (5 bits), z: index 20 (7 bits) of the code table at 0x40 (80 + index).
// 16 bits (2 bytes), 9 bits (2 bytes), an empty string (1 byte), 8 bits (1 byte): exactly the area.
TEST(CheckInsertTest, HuffmanV2IsMeasuredThroughTheRom) {
    const CharTable table = CharTable::FromText(u"81=a\r\n8A=k\r\n94=z\r\n");
    const Bytes rom = RomBuilder(0x200, 0xEE).PutRamp(0x40, 48, 0x80).bytes();
    const auto script = Script(Job(0x10, 0x17, 0x100, 0x105, 0, 0x40), R2, TextType::HuffmanV2,
                               Lines({u"10", u"akz", u"12", u"ak", u"14", u"", u"16", u"aa"}));
    EXPECT_EQ(CheckInsert(&table, script).text,
              messages::CheckFirstLine(0x100, 0x105, 6) + std::u16string(messages::kHuffmanNeedsRom));
    EXPECT_EQ(CheckInsert(&table, script, rom).text, Finished(0x100, 0x105, 6, messages::kTextFits));
    RecordingPrompt prompt;
    EXPECT_EQ(Insert(rom, &table, script, prompt).message, messages::EndedLeftOver(0));
}

// Writing the header, and reading it back, go through every round trip.
TEST(CheckInsertTest, ListsTheStringsThatGrewAndThePiecesTooWideForTheBox) {
    // Three strings of 4, 6 and 6 bytes at 10, 14 and 1A; the text area ends at 1F.
    TempDir dir;
    WriteBytes(dir / "rom.bin", RomBuilder(0x40, 0xEE).Put(0, {0x10, 0, 0x14, 0, 0x1A, 0}).bytes());
    const CharTable table = CharTable::FromText(u"41=A\r\n42=B\r\n20= \r\nFE=[LINE]\r\nFF=[END]\r\n");
    const std::u16string script = Script(Job(0, 5, 0x10, 0x1F), R2, TextType::Regular,
                                         Lines({u"0", u"AAAA[END]", u"2", u"AB[LINE]ABABAB[END]", u"4", u"AB[END]"}));
    const TextBox box{5, {u"[LINE]"}};
    const CommandResult checked = commands::CheckInsert({dir / "rom.bin", {{}, &table}, {{}, &script}, {}, false, true, box});
    EXPECT_EQ(checked.exit, ExitClass::Over);
    EXPECT_TRUE(checked.output->ends_with(u"You are 2 bytes over the original text limit!\r\n"
                                          u"Line 11: 5 bytes, 4 before (+1).\r\n"
                                          u"Line 13: 10 bytes, 6 before (+4).\r\n"
                                          u"Line 13: 6 characters wide, the box holds 5: ABABAB[END]"))
        << ToUtf8(*checked.output);
    const CommandResult withoutRom = commands::CheckInsert({{}, {{}, &table}, {{}, &script}, {}, false, true});
    EXPECT_EQ(withoutRom.exit, ExitClass::Usage);

    // One typed line: bracketed entries and escapes are 0 wide; a break cuts the line.
    const struct {
        std::u16string text;
        std::int64_t width;
        std::u16string findings;
        ExitClass exit;
    } cases[] = {
        {u"AB<41>ABA[END]", 5, u"", ExitClass::Ok},
        {u"AB ABA[END]", 5, u"\r\nLine 1: 6 characters wide, the box holds 5: AB ABA[END]", ExitClass::Over},
        {u"AB[LINE]ABABA", 5, u"", ExitClass::Ok},
        {u"ABABAB[LINE]AB[LINE]BBBBBB", 5,
         u"\r\nLine 1: 6 characters wide, the box holds 5: ABABAB\r\nLine 1: 6 characters wide, the box holds 5: BBBBBB",
         ExitClass::Over},
    };
    for (const auto& c : cases) {
        const CommandResult tested = commands::Test({c.text, {{}, &table}, {}, false, TextBox{c.width, {u"[LINE]"}}});
        EXPECT_EQ(tested.exit, c.exit) << ToUtf8(c.text);
        EXPECT_TRUE(tested.output->ends_with(u"!" + c.findings)) << ToUtf8(*tested.output);
    }
}

TEST(ScriptHeaderTest, KeysAreFoundAnywhereAndIncompleteHeadersAreBadFiles) {
    const auto shuffled = ReadScriptHeader(u"XOffset:\t7F0\r\n\r\nText End:\t815\r\nTable Start:\t10\r\nText Start:\t810\r\n"
                                           u"\r\nTable End:\t16\r\nText Type:\t2\r\n-----------------\r\n10\r\n");
    // No Table Type line: type 0; Text Type is only read after Table Type.
    ASSERT_TRUE(shuffled);
    EXPECT_EQ(std::tie(shuffled->job.tableStart, shuffled->job.textEnd, shuffled->tableType, shuffled->textType),
              std::tuple(0x10, 0x815, TableType::Regular2, TextType::Regular));
    EXPECT_FALSE(ReadScriptHeader(u"Table Start: 10\r\nTable End:\t16\r\n")) << "a space is not the tab";
    EXPECT_FALSE(ReadScriptHeader(u"Table Start:\t10\r\nTable End:\t16\r\nText Start:\t0\r\nText End:\t0\r\n"));
    EXPECT_FALSE(ReadScriptHeader(
        u"Table Start:\t0\r\nTable End:\t0\r\nText Start:\t0\r\nText End:\t0\r\nXOffset:\t0\r\nTable Type:\t2\r\n"));
    const auto noDigits =
        ReadScriptHeader(u"Table Start:\t\r\nTable End:\tZ\r\nText Start:\t1\r\nText End:\t2\r\nXOffset:\t3\r\n");
    ASSERT_TRUE(noDigits);
    EXPECT_EQ(std::tie(noDigits->job.tableStart, noDigits->job.tableEnd), std::tuple(0, 0));
}

TEST(ScriptBodyTest, StartsAfterTheFirstDashLineAndIsLaidOutAsExtractWritesIt) {
    EXPECT_EQ(FindScriptBody(u"x\r\n--------------------\r\nbody"), 25u);
    EXPECT_FALSE(FindScriptBody(u"Table Start:\t0\r\n----------------\r\n"));
    const std::tuple<TableType, std::int32_t, BodyLayout> cases[] = {
        {TableType::Scattered2, 0, BodyLayout::PointerLines},  // scattered scripts of a whole-ROM search
        {TableType::Regular2, 0, BodyLayout::TextOnly},
        {TableType::Regular2, 0x16, BodyLayout::PointerLines},  // Table Start 0 is a present table
        {TableType::PascalLine, 0x16, BodyLayout::LengthTable}, {TableType::Custom1, 0x16, BodyLayout::LengthTable},
        {static_cast<TableType>(12), 0x16, BodyLayout::TextOnly},
    };
    for (const auto& [type, tableEnd, layout] : cases)
        EXPECT_EQ(ReadBodyLayout({Job(0, tableEnd, 0, 0), type}), layout) << static_cast<int>(type) << " " << tableEnd;
}

TEST(JobFieldsTest, ReadsTheFieldsAsTypedAndCountsTheCommandsDigits) {
    const std::tuple<std::u16string, bool, std::int32_t, std::int32_t> cases[] = {
        // text, hex, value, the End Dialog Command's length when typed in its field
        {u"0X1F", false, 31, 2}, {u"010", false, 8, 2}, {u"1F", true, 31, 1},     {u"0X1F", true, 31, 2},
        {u"256", false, 256, 2}, {u"NOPE", true, 0, 2}, {u"-7FF0", true, -32752, 3}, {u"FFF", true, 0xFFF, 2},
        {u"00FF", true, 255, 2}, {u"", true, 0, 0},
    };
    for (const auto& [text, hex, value, length] : cases) {
        const JobSettings start = ReadJobFields({text, {}, {}, {}, {}, {}}, hex);
        const JobSettings command = ReadJobFields({{}, {}, {}, {}, {}, text}, hex);
        EXPECT_EQ(std::tie(start.tableStart, command.huffTable, command.commandLength), std::tie(value, value, length))
            << test::Narrow(text);
    }
}

TEST(RedoJobTest, TheCommandLengthFollowsTheHuffTableValueComparedSigned) {
    const std::pair<std::uint32_t, int> cases[] = {{0x1A, 1},    {0xFF, 1},     {0x100, 2},     {0x1A2B, 2},     {0x10000, 3},
                                                   {0xFFFFFF, 3}, {0x1000000, 4}, {0x7FFFFFFF, 4}, {0xFFFFFFFF, 1}};
    for (const auto& [value, length] : cases)
        EXPECT_EQ(CommandLengthFromValue(static_cast<std::int32_t>(value)), length) << std::hex << value;
}

}  // namespace
}  // namespace quorvex
