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
    struct Case {
        JobSettings job;
        TableType type;
        std::u16string body;
        const CharTable* table;
        std::int64_t total;
        Verdict verdict;
        std::u16string tail;
    };
    const auto R2 = TableType::Regular2;
    const std::u16string fits(messages::kTextFits);
    // Area 0x100 to 0x104: 5 bytes. "AB" is one two-byte entry.
    const auto five = Job(0x10, 0x13, 0x100, 0x104);
    const Case cases[] = {
        {five, R2, Lines({u"10", u"ABC", u"12", u"AB"}), &kAB, 5, Verdict::Fits, fits},
        {five, R2, Lines({u"10", u"ABC", u"12", u"ABCA"}), &kAB, 7, Verdict::Over, messages::CheckOver(2)},
        {five, R2, Lines({u"10", u"A", u"12", u"C"}), &kAB, 2, Verdict::Under, messages::CheckUnder(3)},
        // Repeats add nothing, a move line's text is counted.
        {Job(0x10, 0x17, 0x100, 0x1FF), R2, Lines({u"10 r12", u"12", u"AB", u"14 m180", u"CCC", u"16", u""}), &kAB, 5,
         Verdict::Under, messages::CheckUnder(251)},
        // A length table is left out of the count.
        {Job(0x20, 0x22, 0x100, 0x103), TableType::PascalLine, Lines({u"A", u"", u"BCA"}), &kAB, 4, Verdict::Fits,
         fits},
        // A Scattered line naming no pointer still has its text counted.
        {Job(0x10, 0x40, 0x100, 0x102), TableType::Scattered2, Lines({u"(100)", u"A", u"20 (101)", u"CB"}), &kAB, 3,
         Verdict::Fits, fits},
        // Without a table each escape is one byte.
        {Job(0, 0, 0x100, 0x1FF), R2, Lines({u"<41><42><FF>", u"<00>"}), nullptr, 4, Verdict::Under,
         messages::CheckUnder(252)},
        // An empty body fits only an empty area.
        {Job(0, 0, 0x100, 0xFF), R2, u"", &kAB, 0, Verdict::Fits, fits},
        {Job(0, 0, 0x100, 0x100), R2, u"", &kAB, 0, Verdict::Under, messages::CheckUnder(1)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(test::Narrow(c.body));
        const CheckReport report = Check(Script(c.job, c.type, TextType::Regular, c.body), c.table);
        EXPECT_EQ(report.text, Finished(c.job.textStart, c.job.textEnd, c.total, c.tail));
        EXPECT_EQ(report.verdict, c.verdict);
    }
}

TEST(CheckInsertTest, ABadFileIsTheWholeReport) {
    const std::u16string header = WriteScriptHeader(Job(0, 0, 0, 1), TableType::Regular2, TextType::Regular);
    const std::u16string cases[] = {
        u"Table Start: 0\r\n-----------------\r\nA\r\n",                // no Table Start key
        u"Table Start:\t0\r\nTable End:\t0\r\n-----------------\r\n",  // incomplete header
        header.substr(0, header.find(u"---")) + u"A\r\n",              // no dash line
    };
    for (const auto& script : cases) {
        SCOPED_TRACE(test::Narrow(script));
        const CheckReport report = Check(script, &kAB);
        EXPECT_EQ(report.text, messages::kBadFileCheck);
        EXPECT_EQ(report.verdict, Verdict::BadFile);
    }
}

TEST(CheckInsertTest, AnUnexpectedLetterOrAMalformedLineEndsTheReport) {
    const auto first = messages::CheckFirstLine(0x100, 0x1FF, 256);
    const std::u16string unexpected(messages::kUnexpectedLetter);
    struct Case {
        const CharTable* table;
        std::u16string body;
        std::u16string message;
    };
    // Only what the text still has is quoted; the header takes nine lines.
    const Case cases[] = {
        {&kAB, Lines({u"10", u"AB", u"12", u"CxyzA"}), unexpected + u"xyz\r\n"},
        {&kAB, u"10\r\nAx", unexpected + u"x\r\n"},
        {&kAB, Lines({u"10", u"A", u"", u"B"}), messages::BadLine(12, messages::kNeedsOffset, u"")},
        {&kAB, Lines({u"10 m", u"A"}), messages::BadLine(10, messages::kNeedsSecondOffset, u"10 m")},
        {nullptr, Lines({u"10", u"<41>A"}), messages::BadLine(11, messages::kNeedsEscapes, u"<41>A")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(test::Narrow(c.body));
        const CheckReport report =
            Check(Script(Job(0x10, 0x13, 0x100, 0x1FF), TableType::Regular2, TextType::Regular, c.body), c.table);
        EXPECT_EQ(report.text, first + c.message);
        EXPECT_EQ(report.verdict, Verdict::Stopped);
    }
}

// a: index 1 (4 bits), k: index 10 (5 bits), z: index 20 (7 bits); 7F is no index.
const CharTable kHuffmanTable = CharTable::FromText(u"81=a\r\n8A=k\r\n94=z\r\n7F=?\r\n");

TEST(CheckInsertTest, HuffmanV2IsMeasuredThroughTheRom) {
    TempDir dir;
    const fs::path romPath = dir / "game.rom";
    // The code table at 0x40: index i holds 0x80 + i.
    const auto rom = RomBuilder(0x200, 0xEE).PutRamp(0x40, 48, 0x80).bytes();
    test::WriteBytes(romPath, rom);
    const auto oldTime = fs::file_time_type::clock::now() - std::chrono::hours(5);
    fs::last_write_time(romPath, oldTime);
    const auto first = messages::CheckFirstLine(0x100, 0x1FF, 256);
    const auto huffman = [](std::u16string_view body) {
        return Script(Job(0, 0, 0x100, 0x1FF, 0, 0x40), TableType::Regular2, TextType::HuffmanV2, body);
    };

    const CheckReport noRom = Check(huffman(Lines({u"akz"})), &kHuffmanTable);
    EXPECT_EQ(noRom.text, first + std::u16string(messages::kHuffmanNeedsRom));
    EXPECT_EQ(noRom.verdict, Verdict::Stopped);

    const CheckReport noIndex = Check(huffman(Lines({u"a?aa"})), &kHuffmanTable, &romPath);
    EXPECT_EQ(noIndex.text, first + std::u16string(messages::kUnexpectedLetter) + u"?aa\r\n");
    EXPECT_EQ(noIndex.verdict, Verdict::Stopped);

    const fs::path missing = dir / "missing.rom";
    EXPECT_THROW((void)Check(huffman(Lines({u"a"})), &kHuffmanTable, &missing), FileError);

    // 16 bits (2 bytes), 9 bits (2 bytes), an empty string (1 byte), 8 bits (1 byte).
    const auto script = Script(Job(0x10, 0x17, 0x100, 0x105, 0, 0x40), TableType::Regular2, TextType::HuffmanV2,
                               Lines({u"10", u"akz", u"12", u"ak", u"14", u"", u"16", u"aa"}));
    EXPECT_EQ(Check(script, &kHuffmanTable, &romPath).text, Finished(0x100, 0x105, 6, messages::kTextFits));
    EXPECT_EQ(test::ReadBytes(romPath), rom);
    EXPECT_EQ(fs::last_write_time(romPath), oldTime);

    // Insert of the same script ends exactly at Text End.
    RecordingPrompt prompt;
    CTextEngine engine;
    engine.settings.longestTextLength = kHuffmanTable.longestTextLength();
    EXPECT_TRUE(engine.Insert(romPath, &kHuffmanTable, script, prompt));
    EXPECT_EQ(prompt.messages, std::vector<std::u16string>{messages::EndedLeftOver(0)});
}

// --- Test: one typed line in a made-up script. ---

TEST(TestTextTest, TheMadeUpScriptHasNoTableAndAnAreaAsLongAsTheText) {
    EXPECT_EQ(MakeTestScript(u"ABD"),
              u"Table Start:\t0\r\nTable End:\t0\r\nText Start:\t0\r\nText End:\t2\r\nXOffset:\t0\r\n\r\n"
              u"Table Type:\t0\r\nText Type:\t0\r\n-----------------\r\nABD");
}

TEST(TestTextTest, ReportsOfTypedLines) {
    const CharTable abd = CharTable::FromText(u"41=A\r\n42=B\r\n44=D\r\n");
    const CharTable words = CharTable::FromText(u"74=t\r\n68=h\r\n65=e\r\n6E=n\r\n64=d\r\n20= \r\nF0=the \r\n");
    struct Case {
        std::u16string_view line;
        const CharTable* table;
        std::u16string report;
        Verdict verdict;
    };
    const Case cases[] = {
        // Each letter one byte fits perfectly.
        {u"ABD", &abd,
         u"Text Starts at 0 and ends at 2 (3 bytes)\r\nDone.\r\n\r\nTotal length: 3 (x3) bytes\r\n"
         u"The text fits perfectly!",
         Verdict::Fits},
        {u"AA", &abd, Finished(0, 1, 2, messages::kTextFits), Verdict::Fits},
        // A word entry takes one step and one byte.
        {u"the end", &words, Finished(0, 6, 4, messages::CheckUnder(3)), Verdict::Under},
        // An escape without a table is one byte.
        {u"<41>", nullptr, Finished(0, 3, 1, messages::CheckUnder(3)), Verdict::Under},
    };
    RecordingPrompt prompt;
    for (const Case& c : cases) {
        SCOPED_TRACE(test::Narrow(c.line));
        const auto report = RunTest(c.line, c.table, prompt);
        ASSERT_TRUE(report);
        EXPECT_EQ(report->text, c.report);
        EXPECT_EQ(report->verdict, c.verdict);
    }
    EXPECT_TRUE(prompt.messages.empty());

    // Fewer than two characters are refused.
    EXPECT_FALSE(RunTest(u"A", &abd, prompt));
    EXPECT_FALSE(RunTest(u"", &abd, prompt));
    EXPECT_EQ(prompt.messages, (std::vector<std::u16string>(2, std::u16string(messages::kNoTestText))));
}

}  // namespace
}  // namespace quorvex
