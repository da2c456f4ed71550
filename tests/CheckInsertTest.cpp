// Check Insert and Test: the reports they give, and that they write nothing.
#include "chartable/CharTable.h"
#include "insert/TestText.h"
#include "job/CTextEngine.h"
#include "job/Messages.h"
#include "job/Script.h"
#include "platform/FileError.h"

#include "ScriptBuilders.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <initializer_list>

namespace quorvex {
namespace {

namespace fs = std::filesystem;
using test::RecordingPrompt;
using test::RomBuilder;
using test::TempDir;
using test::Job;
using test::Lines;
using test::Script;
using test::AsUnprivilegedUser;
using Verdict = CheckReport::Verdict;

CheckReport Check(std::u16string_view script, const CharTable* table, const fs::path* rom = nullptr) {
    CTextEngine engine;
    engine.settings.longestTextLength = table ? table->longestTextLength() : 0;
    return engine.CheckInsert(table, script, rom);
}

// The report after a walk that reached the end.
std::u16string Finished(std::int32_t textStart, std::int32_t textEnd, std::int64_t total, std::u16string_view verdict) {
    return messages::CheckFirstLine(textStart, textEnd, std::int64_t{textEnd} - textStart + 1) +
           std::u16string(messages::kCheckDone) + messages::TotalLength(total) + std::u16string(verdict);
}

const CharTable kAB = CharTable::FromText(u"41=A\r\n42=B\r\n43=C\r\n4142=AB\r\n");

TEST(CheckInsertTest, VerdictComparesTheTotalWithTheTextArea) {
    // Area 0x100 to 0x104: 5 bytes. "AB" is one two-byte entry.
    const auto job = Job(0x10, 0x13, 0x100, 0x104);
    struct Case {
        std::u16string body;
        std::int64_t total;
        Verdict verdict;
        std::u16string tail;
    };
    const Case cases[] = {
        {Lines({u"10", u"ABC", u"12", u"AB"}), 5, Verdict::Fits, std::u16string(messages::kTextFits)},
        {Lines({u"10", u"ABC", u"12", u"ABCA"}), 7, Verdict::Over, messages::CheckOver(2)},
        {Lines({u"10", u"A", u"12", u"C"}), 2, Verdict::Under, messages::CheckUnder(3)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(test::Narrow(c.body));
        const CheckReport report = Check(Script(job, TableType::Regular2, TextType::Regular, c.body), &kAB);
        EXPECT_EQ(report.text, Finished(0x100, 0x104, c.total, c.tail));
        EXPECT_EQ(report.verdict, c.verdict);
    }
}

TEST(CheckInsertTest, RepeatsAddNothingMovesAreCountedAndLengthTablesAreLeftOut) {
    const auto pointers = Script(Job(0x10, 0x17, 0x100, 0x1FF), TableType::Regular2, TextType::Regular,
                                 Lines({u"10 r12", u"12", u"AB", u"14 m180", u"CCC", u"16", u""}));
    EXPECT_EQ(Check(pointers, &kAB).text, Finished(0x100, 0x1FF, 5, messages::CheckUnder(251)));

    const auto pascal = Script(Job(0x20, 0x22, 0x100, 0x103), TableType::PascalLine, TextType::Regular,
                               Lines({u"A", u"", u"BCA"}));
    EXPECT_EQ(Check(pascal, &kAB).text, Finished(0x100, 0x103, 4, messages::kTextFits));

    // A Scattered line naming no pointer still has its text counted.
    const auto scattered = Script(Job(0x10, 0x40, 0x100, 0x102), TableType::Scattered2, TextType::Regular,
                                  Lines({u"(100)", u"A", u"20 (101)", u"CB"}));
    EXPECT_EQ(Check(scattered, &kAB).text, Finished(0x100, 0x102, 3, messages::kTextFits));
}

TEST(CheckInsertTest, WithoutATableEachEscapeIsOneByte) {
    const auto script =
        Script(Job(0, 0, 0x100, 0x1FF), TableType::Regular2, TextType::Regular, Lines({u"<41><42><FF>", u"<00>"}));
    EXPECT_EQ(Check(script, nullptr).text, Finished(0x100, 0x1FF, 4, messages::CheckUnder(252)));
}

TEST(CheckInsertTest, AnEmptyBodyFitsOnlyAnEmptyArea) {
    EXPECT_EQ(Check(Script(Job(0, 0, 0x100, 0xFF), TableType::Regular2, TextType::Regular, u""), &kAB).verdict,
              Verdict::Fits);
    const CheckReport under = Check(Script(Job(0, 0, 0x100, 0x100), TableType::Regular2, TextType::Regular, u""), &kAB);
    EXPECT_EQ(under.text, Finished(0x100, 0x100, 0, messages::CheckUnder(1)));
}

TEST(CheckInsertTest, ABadFileIsTheWholeReport) {
    const std::u16string header = WriteScriptHeader(Job(0, 0, 0, 1), TableType::Regular2, TextType::Regular);
    const std::u16string cases[] = {
        u"Table Start: 0\r\n-----------------\r\nA\r\n",            // no Table Start key
        u"Table Start:\t0\r\nTable End:\t0\r\n-----------------\r\n",  // incomplete header
        header.substr(0, header.find(u"---")) + u"A\r\n",                 // no dash line
    };
    for (const auto& script : cases) {
        SCOPED_TRACE(test::Narrow(script));
        const CheckReport report = Check(script, &kAB);
        EXPECT_EQ(report.text, messages::kBadFileCheck);
        EXPECT_EQ(report.verdict, Verdict::BadFile);
    }
}

TEST(CheckInsertTest, AnUnexpectedLetterEndsTheReport) {
    const auto script =
        Script(Job(0, 0, 0x100, 0x1FF), TableType::Regular2, TextType::Regular, Lines({u"AB", u"CxyzA"}));
    const CheckReport report = Check(script, &kAB);
    EXPECT_EQ(report.text, messages::CheckFirstLine(0x100, 0x1FF, 256) + std::u16string(messages::kUnexpectedLetter) +
                               u"xyz\r\n");
    EXPECT_EQ(report.verdict, Verdict::Stopped);

    // Only what the text still has is quoted.
    const CheckReport atEnd =
        Check(Script(Job(0, 0, 0x100, 0x1FF), TableType::Regular2, TextType::Regular, u"Ax"), &kAB);
    EXPECT_EQ(atEnd.text,
              messages::CheckFirstLine(0x100, 0x1FF, 256) + std::u16string(messages::kUnexpectedLetter) + u"x\r\n");
}

TEST(CheckInsertTest, AMalformedLineEndsTheReportWithItsNumber) {
    const auto first = messages::CheckFirstLine(0x100, 0x1FF, 256);
    const auto job = Job(0x10, 0x13, 0x100, 0x1FF);
    struct Case {
        const CharTable* table;
        std::u16string body;
        std::u16string message;
    };
    const Case cases[] = {
        {&kAB, Lines({u"10", u"A", u"", u"B"}), messages::BadLine(12, messages::kNeedsOffset, u"")},
        {&kAB, Lines({u"10 m", u"A"}), messages::BadLine(10, messages::kNeedsSecondOffset, u"10 m")},
        {nullptr, Lines({u"10", u"<41>A"}), messages::BadLine(11, messages::kNeedsEscapes, u"<41>A")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(test::Narrow(c.body));
        const CheckReport report = Check(Script(job, TableType::Regular2, TextType::Regular, c.body), c.table);
        EXPECT_EQ(report.text, first + c.message);
        EXPECT_EQ(report.verdict, Verdict::Stopped);
    }
}

// The Huffman v2 code table at 0x40: index i holds 0x80 + i.
std::vector<std::uint8_t> HuffmanRom() {
    RomBuilder rom(0x200, 0xEE);
    for (int i = 0; i < 48; ++i) rom.Put(0x40 + static_cast<std::size_t>(i), {static_cast<std::uint8_t>(0x80 + i)});
    return rom.bytes();
}
// a: index 1 (4 bits), k: index 10 (5 bits), z: index 20 (7 bits); 7F is no index.
const CharTable kHuffmanTable = CharTable::FromText(u"81=a\r\n8A=k\r\n94=z\r\n7F=?\r\n");

TEST(CheckInsertTest, HuffmanV2NeedsTheRomToBeMeasured) {
    const auto script = Script(Job(0, 0, 0x100, 0x1FF, 0, 0x40), TableType::Regular2, TextType::HuffmanV2,
                               Lines({u"akz"}));
    const CheckReport report = Check(script, &kHuffmanTable);
    EXPECT_EQ(report.text, messages::CheckFirstLine(0x100, 0x1FF, 256) + std::u16string(messages::kHuffmanNeedsRom));
    EXPECT_EQ(report.verdict, Verdict::Stopped);
}

TEST(CheckInsertTest, HuffmanV2CountsExactlyWhatInsertWrites) {
    TempDir dir;
    const fs::path romPath = dir / "game.rom";
    test::WriteBytes(romPath, HuffmanRom());
    const auto oldTime = fs::file_time_type::clock::now() - std::chrono::hours(5);
    fs::last_write_time(romPath, oldTime);
    // 16 bits (2 bytes), 9 bits (2 bytes), an empty string (1 byte), 8 bits (1 byte).
    const auto script = Script(Job(0x10, 0x17, 0x100, 0x105, 0, 0x40), TableType::Regular2, TextType::HuffmanV2,
                               Lines({u"10", u"akz", u"12", u"ak", u"14", u"", u"16", u"aa"}));

    const CheckReport report = Check(script, &kHuffmanTable, &romPath);

    EXPECT_EQ(report.text, Finished(0x100, 0x105, 6, messages::kTextFits));
    EXPECT_EQ(test::ReadBytes(romPath), HuffmanRom());
    EXPECT_EQ(fs::last_write_time(romPath), oldTime);

    // Insert of the same script ends exactly at Text End.
    RecordingPrompt prompt;
    CTextEngine engine;
    engine.settings.longestTextLength = kHuffmanTable.longestTextLength();
    EXPECT_TRUE(engine.Insert(romPath, &kHuffmanTable, script, prompt));
    EXPECT_EQ(prompt.messages, std::vector<std::u16string>{messages::EndedLeftOver(0)});
}

TEST(CheckInsertTest, HuffmanV2ValueWithoutAnIndexIsAnUnexpectedLetter) {
    TempDir dir;
    const fs::path romPath = dir / "game.rom";
    test::WriteBytes(romPath, HuffmanRom());
    const auto script =
        Script(Job(0, 0, 0x100, 0x1FF, 0, 0x40), TableType::Regular2, TextType::HuffmanV2, Lines({u"a?aa"}));

    const CheckReport report = Check(script, &kHuffmanTable, &romPath);

    EXPECT_EQ(report.text, messages::CheckFirstLine(0x100, 0x1FF, 256) + std::u16string(messages::kUnexpectedLetter) +
                               u"?aa\r\n");
    EXPECT_EQ(report.verdict, Verdict::Stopped);
}

TEST(CheckInsertTest, HuffmanV2WithAMissingRomIsAFileError) {
    TempDir dir;
    const fs::path romPath = dir / "missing.rom";
    const auto script =
        Script(Job(0, 0, 0x100, 0x1FF, 0, 0x40), TableType::Regular2, TextType::HuffmanV2, Lines({u"a"}));
    EXPECT_THROW((void)Check(script, &kHuffmanTable, &romPath), FileError);
}

// --- Test: one typed line in a made-up script. ---

TEST(TestTextTest, TheMadeUpScriptHasNoTableAndAnAreaAsLongAsTheText) {
    EXPECT_EQ(MakeTestScript(u"ABD"),
              u"Table Start:\t0\r\nTable End:\t0\r\nText Start:\t0\r\nText End:\t2\r\nXOffset:\t0\r\n\r\n"
              u"Table Type:\t0\r\nText Type:\t0\r\n-----------------\r\nABD");
}

TEST(TestTextTest, EachLetterOneByteFitsPerfectly) {
    RecordingPrompt prompt;
    const CharTable table = CharTable::FromText(u"41=A\r\n42=B\r\n44=D\r\n");

    const auto report = RunTest(u"ABD", &table, prompt);

    ASSERT_TRUE(report);
    EXPECT_EQ(report->text, u"Text Starts at 0 and ends at 2 (3 bytes)\r\nDone.\r\n\r\nTotal length: 3 (x3) bytes\r\n"
                            u"The text fits perfectly!");
    EXPECT_EQ(report->verdict, Verdict::Fits);
    EXPECT_TRUE(prompt.messages.empty());
}

TEST(TestTextTest, AWordEntryTakesOneStepAndOneByte) {
    RecordingPrompt prompt;
    const CharTable table = CharTable::FromText(u"74=t\r\n68=h\r\n65=e\r\n6E=n\r\n64=d\r\n20= \r\nF0=the \r\n");

    const auto report = RunTest(u"the end", &table, prompt);

    ASSERT_TRUE(report);
    EXPECT_EQ(report->text, Finished(0, 6, 4, messages::CheckUnder(3)));
    EXPECT_EQ(report->verdict, Verdict::Under);
}

TEST(TestTextTest, AnEscapeWithoutATableIsOneByte) {
    RecordingPrompt prompt;
    const auto report = RunTest(u"<41>", nullptr, prompt);
    ASSERT_TRUE(report);
    EXPECT_EQ(report->text, Finished(0, 3, 1, messages::CheckUnder(3)));
}

TEST(TestTextTest, FewerThanTwoCharactersAreRefused) {
    RecordingPrompt prompt;
    const CharTable table = CharTable::FromText(u"41=A\r\n");

    EXPECT_FALSE(RunTest(u"A", &table, prompt));
    EXPECT_FALSE(RunTest(u"", &table, prompt));
    EXPECT_EQ(prompt.messages, (std::vector<std::u16string>{std::u16string(messages::kNoTestText),
                                                            std::u16string(messages::kNoTestText)}));

    const auto two = RunTest(u"AA", &table, prompt);
    ASSERT_TRUE(two);
    EXPECT_EQ(two->verdict, Verdict::Fits);
    EXPECT_EQ(prompt.messages.size(), 2u);
}

}  // namespace
}  // namespace quorvex
