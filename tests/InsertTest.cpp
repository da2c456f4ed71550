// Insert: the bytes it writes into a ROM file, and that a stopped insert
// leaves the file exactly as it was.
#include "chartable/CharTable.h"
#include "insert/InsertFile.h"
#include "job/CTextEngine.h"
#include "job/Messages.h"
#include "job/Script.h"
#include "platform/CodePage.h"
#include "platform/FileError.h"

#include "ScriptBuilders.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <filesystem>
#include <initializer_list>

namespace quorvex {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::RecordingPrompt;
using test::RomBuilder;
using test::TempDir;
using test::Job;
using test::Lines;
using test::Script;
using test::AsUnprivilegedUser;
using test::WriteBytes;
using Bytes = std::vector<std::uint8_t>;

class InsertTest : public ::testing::Test {
protected:
    // A ROM whose modification time lies in the past, so that any rewrite shows.
    void PutRom(const Bytes& bytes) {
        WriteBytes(romPath, bytes);
        fs::last_write_time(romPath, kOldTime);
        original = bytes;
    }

    bool Run(std::u16string_view script, const CharTable* table) {
        CTextEngine engine;
        engine.settings.longestTextLength = table ? table->longestTextLength() : 0;
        return engine.Insert(romPath, table, script, prompt);
    }

    [[nodiscard]] Bytes Rom() const { return ReadBytes(romPath); }

    void ExpectRomUnchanged() const {
        EXPECT_EQ(Rom(), original);
        EXPECT_EQ(fs::last_write_time(romPath), kOldTime);
    }

    // The original image with runs of bytes replaced.
    [[nodiscard]] Bytes With(std::initializer_list<std::pair<std::size_t, Bytes>> changes) const {
        RomBuilder builder(0);
        builder.Put(0, original);
        for (const auto& [offset, bytes] : changes) builder.Put(offset, bytes);
        return builder.bytes();
    }

    static inline const fs::file_time_type kOldTime =
        fs::file_time_type::clock::now() - std::chrono::hours(48);

    TempDir dir;
    fs::path romPath = dir / "game.rom";
    RecordingPrompt prompt;
    Bytes original;
};

const CharTable kAB = CharTable::FromText(u"41=A\r\n42=B\r\n43=C\r\n");

TEST_F(InsertTest, WholeRunRewritesEachPointerAndWritesTheStringsInOrder) {
    PutRom(RomBuilder(0x900, 0xEE).bytes());
    const auto script = Script(Job(0x10, 0x13, 0x810, 0x81F, 0x7F0), TableType::Regular2, TextType::Regular,
                               Lines({u"10", u"AB", u"12", u"A"}));

    EXPECT_TRUE(Run(script, &kAB));

    EXPECT_EQ(Rom(), With({{0x10, {0x20, 0x00}}, {0x12, {0x22, 0x00}}, {0x810, {0x41, 0x42}}, {0x812, {0x41}}}));
    EXPECT_TRUE(prompt.questions.empty());
    EXPECT_EQ(prompt.messages, std::vector<std::u16string>{messages::EndedLeftOver(13)});
}

TEST_F(InsertTest, TableLookupPrefersTheLongestWholeEntryAndTheFirstOfEqualTexts) {
    const auto job = Job(0, 0, 0x20, 0x2F, 0);
    const auto script = Script(job, TableType::Regular2, TextType::Regular, Lines({u"ABAC"}));

    // "AB" is one entry of its own; "C" stands twice and the first line wins.
    const CharTable longer = CharTable::FromText(u"41=A\r\n42=B\r\n9999=AB\r\n50=C\r\n51=C\r\n");
    PutRom(Bytes(0x40, 0));
    EXPECT_TRUE(Run(script, &longer));
    EXPECT_EQ(Rom(), With({{0x20, {0x99, 0x99, 0x41, 0x50}}}));

    // Without the two-letter entry the letters go one by one.
    PutRom(Bytes(0x40, 0));
    EXPECT_TRUE(Run(script, &kAB));
    EXPECT_EQ(Rom(), With({{0x20, {0x41, 0x42, 0x41, 0x43}}}));
}

TEST_F(InsertTest, EscapesWinOverTheTableAndReadUpToTwoDigits) {
    PutRom(Bytes(0x40, 0xEE));
    const CharTable table = CharTable::FromText(u"41=A\r\n77=<FF>\r\n3C=<\r\n3E=>\r\n58=X\r\n42=B\r\n");
    // <FF> is the raw byte even though an entry has that text; <GH> has no
    // digits (0); <4a> is lower case; <7>> has one digit; <ABX> is no escape.
    const auto script = Script(Job(0, 0, 0x10, 0x3F, 0), TableType::Regular2, TextType::Regular,
                               Lines({u"<FF><GH><4a><7>>A<ABX>"}));

    EXPECT_TRUE(Run(script, &table));

    EXPECT_EQ(Rom(), With({{0x10, {0xFF, 0x00, 0x4A, 0x07, 0x41, 0x3C, 0x41, 0x42, 0x58, 0x3E}}}));
}

TEST_F(InsertTest, WithoutATableEveryLineIsEscapes) {
    PutRom(Bytes(0x40, 0xEE));
    const auto script =
        Script(Job(0, 0, 0x10, 0x3F, 0), TableType::Regular2, TextType::Regular, Lines({u"<41><42>", u"<0a>"}));

    EXPECT_TRUE(Run(script, nullptr));

    EXPECT_EQ(Rom(), With({{0x10, {0x41, 0x42, 0x0A}}}));
}

TEST_F(InsertTest, NoTableModeWritesStringsBackToBackAndLeavesTableBytesAlone) {
    // Table End 0: no table, no pointer lines, so "10" is a text line too.
    PutRom(Bytes(0x40, 0xEE));
    const CharTable table = CharTable::FromText(u"41=A\r\n30=0\r\n31=1\r\n");
    const auto script =
        Script(Job(0x10, 0, 0x20, 0x2F, 0), TableType::Regular2, TextType::Regular, Lines({u"10", u"A", u"", u"A"}));

    EXPECT_TRUE(Run(script, &table));

    EXPECT_EQ(Rom(), With({{0x20, {0x31, 0x30, 0x41, 0x41}}}));
    EXPECT_EQ(prompt.messages, std::vector<std::u16string>{messages::EndedLeftOver(12)});
}

TEST_F(InsertTest, EachLayoutWritesItsPointerWidthAndByteOrder) {
    // v = 0x100 - xOffset = 0x12340100 makes every byte of the value distinct.
    const std::int32_t xOffset = -0x12340000;
    struct Case {
        TableType type;
        Bytes entry;
    };
    const Case cases[] = {
        {TableType::Regular2, {0x00, 0x01}},
        {TableType::Regular3, {0x00, 0x01, 0x34}},
        {TableType::Regular4, {0x00, 0x01, 0x34, 0x12}},
        {TableType::Variation4, {0x12, 0x34, 0x01, 0x00}},
        {TableType::Scattered2, {0x00, 0x01}},
        {TableType::Scattered4, {0x00, 0x01, 0x34, 0x12}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(TableTypeName(c.type)));
        PutRom(Bytes(0x200, 0xEE));
        // Scattered lines list more offsets and the value; only the first offset counts.
        const std::u16string pointerLine = IsScattered(c.type) ? u"10 30 (9ABC)" : u"10";
        const auto script =
            Script(Job(0x10, 0x40, 0x100, 0x1FF, xOffset), c.type, TextType::Regular, Lines({pointerLine, u"A"}));
        prompt.messages.clear();

        EXPECT_TRUE(Run(script, &kAB));

        EXPECT_EQ(Rom(), With({{0x10, c.entry}, {0x100, {0x41}}}));
        EXPECT_EQ(prompt.messages, std::vector<std::u16string>{messages::EndedLeftOver(0xFF)});
    }
}

TEST_F(InsertTest, Variation1WritesTheHighByteHalfATableFurther) {
    // Table 0x100 to 0x10F: half is 7.5 rounded up, 8.
    PutRom(Bytes(0x400, 0xEE));
    const auto script = Script(Job(0x100, 0x10F, 0x300, 0x3FF, 0x100), TableType::Variation1, TextType::Regular,
                               Lines({u"100", u"AB", u"101", u"C"}));

    EXPECT_TRUE(Run(script, &kAB));

    EXPECT_EQ(Rom(), With({{0x100, {0x00, 0x02}}, {0x108, {0x02, 0x02}}, {0x300, {0x41, 0x42, 0x43}}}));
}

TEST_F(InsertTest, MoveLinePlacesItsTextAndTheNextStringsFollowOnFromThere) {
    PutRom(Bytes(0xA00, 0xEE));
    const auto script = Script(Job(0x10, 0x16, 0x810, 0x9FF, 0x800), TableType::Regular2, TextType::Regular,
                               Lines({u"10", u"A", u"14 m900", u"BC", u"12", u"A"}));

    EXPECT_TRUE(Run(script, &kAB));

    EXPECT_EQ(Rom(), With({{0x10, {0x10, 0x00}},
                           {0x14, {0x00, 0x01}},
                           {0x12, {0x02, 0x01}},
                           {0x810, {0x41}},
                           {0x900, {0x42, 0x43, 0x41}}}));
    EXPECT_EQ(prompt.messages, std::vector<std::u16string>{messages::EndedLeftOver(0xA00 - 0x903)});
}

TEST_F(InsertTest, RepeatLineTakesTheNewValueOfTheEntryItNames) {
    PutRom(RomBuilder(0x100, 0xEE).Put(0x30, {0x77, 0x66}).bytes());
    // 10 names 14, which is written only later; 12 names 10 (a chain); 16
    // names 30, which no line writes, so it takes 30's bytes as they are.
    const auto script = Script(Job(0x10, 0x18, 0x80, 0xFF, 0), TableType::Regular2, TextType::Regular,
                               Lines({u"10 r14", u"12 R10", u"16 r30", u"14", u"AB"}));

    EXPECT_TRUE(Run(script, &kAB));

    EXPECT_EQ(Rom(), With({{0x10, {0x80, 0x00, 0x80, 0x00, 0x80, 0x00, 0x77, 0x66}}, {0x80, {0x41, 0x42}}}));
}

TEST_F(InsertTest, RepeatLinesThatNameEachOtherKeepTheirBytes) {
    PutRom(RomBuilder(0x100, 0xEE).Put(0x10, {0x01, 0x02, 0x03, 0x04}).bytes());
    const auto script = Script(Job(0x10, 0x18, 0x80, 0xFF, 0), TableType::Regular2, TextType::Regular,
                               Lines({u"10 r12", u"12 r10", u"16", u"A"}));

    EXPECT_TRUE(Run(script, &kAB));

    EXPECT_EQ(Rom(), With({{0x16, {0x80, 0x00}}, {0x80, {0x41}}}));
}

TEST_F(InsertTest, Variation1RepeatCopiesBothHalves) {
    PutRom(Bytes(0x400, 0xEE));
    // Table 0x100 to 0x107: half 4. Entry 0x101 repeats 0x102, written later.
    const auto script = Script(Job(0x100, 0x107, 0x300, 0x3FF, 0), TableType::Variation1, TextType::Regular,
                               Lines({u"100", u"A", u"101 r102", u"102", u"B"}));

    EXPECT_TRUE(Run(script, &kAB));

    EXPECT_EQ(Rom(), With({{0x100, {0x00, 0x01, 0x01}}, {0x104, {0x03, 0x03, 0x03}}, {0x300, {0x41, 0x42}}}));
}

TEST_F(InsertTest, ScatteredLineWithoutOffsetWritesItsTextAndIsCounted) {
    PutRom(Bytes(0x200, 0xEE));
    const auto script = Script(Job(0x10, 0x40, 0x100, 0x1FF, 0), TableType::Scattered2, TextType::Regular,
                               Lines({u"(100)", u"AB", u"20 (102)", u"C", u"  (103)", u"A"}));

    EXPECT_TRUE(Run(script, &kAB));

    EXPECT_EQ(Rom(), With({{0x20, {0x02, 0x01}}, {0x100, {0x41, 0x42, 0x43, 0x41}}}));
    EXPECT_EQ(prompt.messages, std::vector<std::u16string>{messages::EndedLeftOver(0xFC) + u"\r\n" +
                                                           messages::StringsWithoutPointer(2)});
}

TEST_F(InsertTest, PascalLineWritesOneLengthBytePerString) {
    PutRom(Bytes(0x200, 0xEE));
    const auto script = Script(Job(0x20, 0x22, 0x100, 0x1FF, 0), TableType::PascalLine, TextType::Regular,
                               Lines({u"AB", u"", u"ABC"}));

    EXPECT_TRUE(Run(script, &kAB));

    EXPECT_EQ(Rom(), With({{0x20, {0x02, 0x00, 0x03}}, {0x100, {0x41, 0x42, 0x41, 0x42, 0x43}}}));
}

TEST_F(InsertTest, Custom1WritesLengthAndPointerPerString) {
    PutRom(Bytes(0x200, 0xEE));
    // v = 0x100 + 0x7F00 = 0x8000 for the first string.
    const auto script = Script(Job(0x20, 0x26, 0x100, 0x1FF, -0x7F00), TableType::Custom1, TextType::Regular,
                               Lines({u"AB", u"C", u""}));

    EXPECT_TRUE(Run(script, &kAB));

    EXPECT_EQ(Rom(), With({{0x20, {0x02, 0x00, 0x80, 0x01, 0x02, 0x80, 0x00, 0x03, 0x80}},
                           {0x100, {0x41, 0x42, 0x43}}}));
}

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

TEST_F(InsertTest, HuffmanV2CodesEachIndexAndEndsEachStringOnAWholeByte) {
    PutRom(HuffmanRom());
    const auto script = Script(Job(0x10, 0x15, 0x100, 0x1FF, 0, 0x40), TableType::Regular2, TextType::HuffmanV2,
                               Lines({u"10", u"b.z", u"12", u"b.", u"14", u"", u"14 r12"}));

    EXPECT_TRUE(Run(script, &kHuffmanTable));

    // 0001 10010 1100100 fills two bytes exactly; 0001 10010 needs a second,
    // mostly empty byte; the empty line is one zero byte.
    EXPECT_EQ(Rom(), With({{0x10, {0x00, 0x01, 0x02, 0x01, 0x02, 0x01}},
                           {0x100, {0x19, 0x64, 0x19, 0x00, 0x00}}}));
}

TEST_F(InsertTest, HuffmanV2UsesOnlyTheFirstByteOfALongerEntry) {
    PutRom(HuffmanRom());
    const auto script =
        Script(Job(0, 0, 0x100, 0x1FF, 0, 0x40), TableType::Regular2, TextType::HuffmanV2, Lines({u"w<B0>"}));

    EXPECT_TRUE(Run(script, &kHuffmanTable));

    // 11 11111 (index 47), then 10 010 (index 10): 1111 1111 | 0010 0000.
    EXPECT_EQ(Rom(), With({{0x100, {0xFF, 0x20}}}));
}

TEST_F(InsertTest, TextEndingExactlyAtTextEndAsksNothing) {
    PutRom(Bytes(0x40, 0));
    const auto script = Script(Job(0, 0, 0x10, 0x12, 0), TableType::Regular2, TextType::Regular, Lines({u"ABC"}));

    EXPECT_TRUE(Run(script, &kAB));

    EXPECT_TRUE(prompt.questions.empty());
    EXPECT_EQ(prompt.messages, std::vector<std::u16string>{messages::EndedLeftOver(0)});
}

TEST_F(InsertTest, TextOverTheLimitAsksAfterEachStringAndYesGoesOn) {
    PutRom(Bytes(0x40, 0));
    const auto script =
        Script(Job(0, 0, 0x10, 0x11, 0), TableType::Regular2, TextType::Regular, Lines({u"ABC", u"A", u"B"}));
    prompt.answers = {true, true, true};

    EXPECT_TRUE(Run(script, &kAB));

    EXPECT_EQ(prompt.questions, (std::vector<std::u16string>{messages::OverLimitQuestion(1),
                                                             messages::OverLimitQuestion(2),
                                                             messages::OverLimitQuestion(3)}));
    EXPECT_EQ(prompt.messages, std::vector<std::u16string>{messages::EndedOver(3)});
    EXPECT_EQ(Rom(), With({{0x10, {0x41, 0x42, 0x43, 0x41, 0x42}}}));
}

TEST_F(InsertTest, ListingLinesAreEncodedLikeAnyOtherText) {
    const auto script = Script(Job(0, 0, 0x10, 0x3F, 0), TableType::Regular2, TextType::Regular, Lines({u"0x100"}));

    PutRom(Bytes(0x40, 0xEE));
    const CharTable digits = CharTable::FromText(u"30=0\r\n31=1\r\n78=x\r\n");
    EXPECT_TRUE(Run(script, &digits));
    EXPECT_EQ(Rom(), With({{0x10, {0x30, 0x78, 0x31, 0x30, 0x30}}}));

    // Through a table without those characters it is a letter like any other not in the table.
    PutRom(Bytes(0x40, 0xEE));
    prompt.messages.clear();
    EXPECT_FALSE(Run(script, &kAB));
    ExpectRomUnchanged();
    EXPECT_EQ(prompt.messages, std::vector<std::u16string>{messages::NotInTable(u"0x1")});
}

TEST_F(InsertTest, AScriptFileIsReadWithTheTablesLineEndRule) {
    // LF alone ends a line as CR LF does; a UTF-8 byte-order mark is dropped.
    const fs::path scriptPath = dir / "script.txt";
    const std::string header = test::Narrow(WriteScriptHeader(Job(0x10, 0x13, 0x20, 0x2F, 0), TableType::Regular2,
                                                               TextType::Regular));
    test::WriteText(scriptPath, "\xEF\xBB\xBF" + header + "10\nAB\n12\r\nC\n");
    const std::u16string script = LoadInsertFile(scriptPath, TextDecoding{ReadMode::UTF8, "windows-1252"});
    EXPECT_EQ(script, FromUtf8(header) + u"10\r\nAB\r\n12\r\nC\r\n");

    PutRom(Bytes(0x40, 0xEE));
    EXPECT_TRUE(Run(script, &kAB));
    EXPECT_EQ(Rom(), With({{0x10, {0x20, 0x00, 0x22, 0x00}}, {0x20, {0x41, 0x42, 0x43}}}));

    EXPECT_THROW((void)LoadInsertFile(dir / "missing.txt", TextDecoding{}), FileError);
}

// --- Every stop leaves the ROM as it was. ---

TEST_F(InsertTest, ACharacterNotInTheTableStopsWithNoFinalMessage) {
    PutRom(Bytes(0x40, 0xEE));
    const auto script = Script(Job(0x10, 0x13, 0x20, 0x3F, 0), TableType::Regular2, TextType::Regular,
                               Lines({u"10", u"AB", u"12", u"AxyzB"}));

    EXPECT_FALSE(Run(script, &kAB));

    ExpectRomUnchanged();
    EXPECT_EQ(prompt.messages, std::vector<std::u16string>{messages::NotInTable(u"xyz")});
}

TEST_F(InsertTest, TheNotInTableMessageQuotesOnlyWhatTheScriptStillHas) {
    PutRom(Bytes(0x40, 0xEE));
    const auto script = Script(Job(0, 0, 0x20, 0x3F, 0), TableType::Regular2, TextType::Regular, u"Ax");

    EXPECT_FALSE(Run(script, &kAB));

    ExpectRomUnchanged();
    EXPECT_EQ(prompt.messages, std::vector<std::u16string>{messages::NotInTable(u"x")});
}

TEST_F(InsertTest, HuffmanV2ValueWithoutAnIndexIsNotInTheTable) {
    // E1 does not occur among the 48 code bytes; 77 occurs, but only at index 53.
    RomBuilder rom(0);
    rom.Put(0, HuffmanRom()).Put(0x40 + 53, {0x77});
    PutRom(rom.bytes());
    const CharTable table = CharTable::FromText(u"20=b\r\nE1=?\r\n77=s\r\nEE=e\r\n");
    struct Case {
        std::int32_t huffTable;
        std::u16string_view line;
    };
    // At 0x1FC the code table is cut short by the end of the file: EE (the
    // filler) is found there, 20 is not.
    for (const Case c : {Case{0x40, u"b?bb"}, Case{0x40, u"bsbb"}, Case{0x1FC, u"ebbb"}}) {
        SCOPED_TRACE(test::Narrow(c.line));
        prompt.messages.clear();
        const auto script =
            Script(Job(0, 0, 0x100, 0x1FF, 0, c.huffTable), TableType::Regular2, TextType::HuffmanV2, Lines({c.line}));

        EXPECT_FALSE(Run(script, &table));

        ExpectRomUnchanged();
        EXPECT_EQ(prompt.messages, std::vector<std::u16string>{messages::NotInTable(c.line.substr(1))});
    }
}

TEST_F(InsertTest, MalformedLinesStopWithTheirLineNumber) {
    PutRom(Bytes(0x40, 0xEE));
    const auto job = Job(0x10, 0x13, 0x20, 0x3F, 0);
    // The header takes nine lines, so the body starts on line 10.
    struct Case {
        const CharTable* table;
        std::u16string body;
        std::u16string message;
    };
    const Case cases[] = {
        {&kAB, Lines({u"10", u"A", u"", u"B"}), messages::BadLine(12, messages::kNeedsOffset, u"")},
        {&kAB, Lines({u"10", u"A", u"x12", u"B"}), messages::BadLine(12, messages::kNeedsOffset, u"x12")},
        {&kAB, Lines({u"10", u"A", u"12 r", u"B"}), messages::BadLine(12, messages::kNeedsSecondOffset, u"12 r")},
        {&kAB, Lines({u"10 mZZ", u"A"}), messages::BadLine(10, messages::kNeedsSecondOffset, u"10 mZZ")},
        {&kAB, Lines({u"(20)", u"A"}), messages::BadLine(10, messages::kNeedsOffset, u"(20)")},
        {nullptr, Lines({u"10", u"<41>", u"12", u"<42>A"}), messages::BadLine(13, messages::kNeedsEscapes, u"<42>A")},
        {nullptr, Lines({u"10", u"<41><4"}), messages::BadLine(11, messages::kNeedsEscapes, u"<41><4")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(test::Narrow(c.body));
        prompt.messages.clear();

        EXPECT_FALSE(Run(Script(job, TableType::Regular2, TextType::Regular, c.body), c.table));

        ExpectRomUnchanged();
        EXPECT_EQ(prompt.messages, std::vector<std::u16string>{c.message});
    }
}

TEST_F(InsertTest, NothingIsWrittenPastTheEndOfTheFile) {
    PutRom(Bytes(0x30, 0xEE));
    struct Case {
        JobSettings job;
        TableType type;
        std::u16string body;
        std::int64_t offset;
    };
    const Case cases[] = {
        // Text that runs off the file, though the text area goes on.
        {Job(0x10, 0x13, 0x2E, 0x40, 0), TableType::Regular2, Lines({u"10", u"ABC"}), 0x30},
        // A move line to past the end.
        {Job(0x10, 0x13, 0x20, 0x40, 0), TableType::Regular2, Lines({u"10 m35", u"A"}), 0x35},
        // A pointer whose second byte would be the first past the end.
        {Job(0x10, 0x13, 0x20, 0x2F, 0), TableType::Regular2, Lines({u"2F", u"A"}), 0x30},
        // A four-byte pointer at a negative offset.
        {Job(0x10, 0x13, 0x20, 0x2F, 0), TableType::Regular4, Lines({u"FFFFFFFE", u"A"}), -2},
        // A repeat that would copy from past the end.
        {Job(0x10, 0x13, 0x20, 0x2F, 0), TableType::Regular2, Lines({u"10 r40", u"12", u"A"}), 0x40},
        // A Variation1 high byte past the end (half 0x20).
        {Job(0x10, 0x50, 0x20, 0x2F, 0), TableType::Variation1, Lines({u"11", u"A"}), 0x31},
        // A PascalLine length byte past the end.
        {Job(0x2F, 0x31, 0x20, 0x2F, 0), TableType::PascalLine, Lines({u"A", u"B"}), 0x30},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(test::Narrow(c.body));
        prompt.messages.clear();

        EXPECT_FALSE(Run(Script(c.job, c.type, TextType::Regular, c.body), &kAB));

        ExpectRomUnchanged();
        EXPECT_EQ(prompt.messages, std::vector<std::u16string>{messages::PastEndOfRom(c.offset)});
    }
}

TEST_F(InsertTest, HuffmanV2TextRunningOffTheFileStops) {
    PutRom(HuffmanRom());
    const auto script =
        Script(Job(0, 0, 0x1FF, 0x2FF, 0, 0x40), TableType::Regular2, TextType::HuffmanV2, Lines({u"b.z"}));

    EXPECT_FALSE(Run(script, &kHuffmanTable));

    ExpectRomUnchanged();
    EXPECT_EQ(prompt.messages, std::vector<std::u16string>{messages::PastEndOfRom(0x200)});
}

TEST_F(InsertTest, NoAtTheOverTheLimitQuestionLeavesTheRomAsItWas) {
    PutRom(Bytes(0x40, 0xEE));
    const auto script = Script(Job(0x10, 0x13, 0x20, 0x21, 0), TableType::Regular2, TextType::Regular,
                               Lines({u"10", u"A", u"12", u"BC"}));
    prompt.answers = {false};

    EXPECT_FALSE(Run(script, &kAB));

    ExpectRomUnchanged();
    EXPECT_EQ(prompt.questions, std::vector<std::u16string>{messages::OverLimitQuestion(1)});
    EXPECT_EQ(prompt.messages,
              std::vector<std::u16string>{messages::EndedOver(1) + u"\r\n" + std::u16string(messages::kRomNotChanged)});
}

TEST_F(InsertTest, ExtremeHeaderNumbersNeverGrowOrHalfWriteTheRom) {
    const JobSettings jobs[] = {
        Job(INT32_MIN + 1, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MIN),
        Job(0, INT32_MAX, INT32_MIN, INT32_MIN, INT32_MAX),
        Job(0x10, 0x20, 0x30, -1, 0, INT32_MAX),
        Job(-1, 0x20, 0x3F, 0x3F, INT32_MIN, INT32_MIN),
    };
    const std::u16string body = Lines({u"10", u"A", u"12 r80000000", u"14 mFFFFFFFF", u"", u"7FFFFFFF", u"B"});
    for (int type = 0; type <= 9; ++type) {
        for (const auto& job : jobs) {
            for (const TextType textType : {TextType::Regular, TextType::HuffmanV2}) {
                SCOPED_TRACE(test::Narrow(WriteScriptHeader(job, static_cast<TableType>(type), textType)));
                PutRom(Bytes(0x40, 0xEE));
                prompt.messages.clear();
                prompt.answers = {true, true, true};
                const auto script = Script(job, static_cast<TableType>(type), textType, body);

                const bool written = Run(script, &kAB);

                EXPECT_EQ(Rom().size(), original.size());
                if (!written) ExpectRomUnchanged();
                EXPECT_EQ(prompt.messages.size(), 1u);
                CTextEngine engine;
                engine.settings.longestTextLength = 1;
                (void)engine.CheckInsert(&kAB, script, &romPath);
            }
        }
    }
}

TEST_F(InsertTest, BadFilesAreRefusedBeforeTheRomIsOpened) {
    // The ROM does not even exist: a bad file must not get as far as opening it.
    const auto good = Script(Job(0, 0, 0x10, 0x20, 0), TableType::Regular2, TextType::Regular, Lines({u"A"}));
    const std::u16string cases[] = {
        u"Table Start: 0\r\n-----------------\r\nA\r\n",
        good.substr(good.find(u"Table End")),                    // no Table Start
        u"Table Start:\t0\r\nTable End:\t0\r\nText Start:\t0\r\n-----------------\r\nA\r\n",  // incomplete
        u"Table Start:\t0\r\nTable End:\t0\r\nText Start:\t0\r\nText End:\t0\r\nXOffset:\t0\r\nTable Type:\t0\r\n"
        u"-----------------\r\n",                                // a table type without a text type
        good.substr(0, good.find(u"---")) + u"A\r\n",            // no dash line
    };
    for (const auto& script : cases) {
        SCOPED_TRACE(test::Narrow(script));
        prompt.messages.clear();
        EXPECT_FALSE(Run(script, &kAB));
        EXPECT_EQ(prompt.messages, std::vector<std::u16string>{std::u16string(messages::kBadFileInsert)});
    }
    EXPECT_FALSE(fs::exists(romPath));
}

TEST_F(InsertTest, AMissingRomIsAFileError) {
    const auto script = Script(Job(0, 0, 0x10, 0x20, 0), TableType::Regular2, TextType::Regular, Lines({u"A"}));
    EXPECT_THROW(Run(script, &kAB), FileError);
    EXPECT_FALSE(fs::exists(romPath));
}

TEST_F(InsertTest, ASaveThatFailsLeavesTheRomAsItWas) {
    // The file may be written, but no file can be made beside it.
    PutRom(Bytes(0x40, 0xEE));
    fs::permissions(romPath, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                 fs::perms::group_write | fs::perms::others_read | fs::perms::others_write);
    const auto script = Script(Job(0, 0, 0x10, 0x20, 0), TableType::Regular2, TextType::Regular, Lines({u"A"}));
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                    fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    {
        AsUnprivilegedUser guard;
        EXPECT_THROW(Run(script, &kAB), FileError);
    }
    fs::permissions(dir.path(), fs::perms::all);
    ExpectRomUnchanged();
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST_F(InsertTest, AReadOnlyRomIsRefusedWithAFileErrorAndKeepsItsBytes) {
    PutRom(Bytes(0x40, 0xEE));
    fs::permissions(romPath, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(dir.path(), fs::perms::all);
    const auto script = Script(Job(0, 0, 0x10, 0x20, 0), TableType::Regular2, TextType::Regular, Lines({u"A"}));
    {
        AsUnprivilegedUser guard;
        EXPECT_THROW(Run(script, &kAB), FileError);
    }
    ExpectRomUnchanged();
    EXPECT_TRUE(prompt.messages.empty());
}

}  // namespace
}  // namespace quorvex
