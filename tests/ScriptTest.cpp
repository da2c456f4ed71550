#include "TestSupport.h"

#include "job/FindText.h"
#include "job/Script.h"

#include <gtest/gtest.h>

using namespace quorvex;

namespace {

const std::u16string kHeader =
    u"Table Start:\t10\r\nTable End:\t16\r\nText Start:\t810\r\nText End:\t815\r\nXOffset:\t7F0\r\n\r\n"
    u"Table Type:\t0\r\nText Type:\t0\r\n-----------------\r\n";

}  // namespace

TEST(FindTextTest, FirstOccurrenceOrMinusOne) {
    EXPECT_EQ(FindText(u"abcabc", u"ca"), 2);
    EXPECT_EQ(FindText(u"abc", u"C"), -1);
    EXPECT_EQ(FindText(u"abc", u""), -1);
    EXPECT_EQ(FindText(u"", u"a"), -1);
    EXPECT_EQ(FindText(u"ab", u"abc"), -1);
}

TEST(ScriptHeaderTest, WritesTheFixedLinesAndHuffTableOnlyWhenNeeded) {
    JobSettings job;
    job.tableStart = 0x10;
    job.tableEnd = 0x16;
    job.textStart = 0x810;
    job.textEnd = 0x815;
    job.xOffset = 0x7F0;
    job.huffTable = 0xFF;
    EXPECT_EQ(WriteScriptHeader(job, TableType::Regular2, TextType::Regular), kHeader);
    const std::u16string scattered = WriteScriptHeader(job, TableType::Scattered2, TextType::Regular);
    EXPECT_NE(scattered.find(u"Text Type:\t0\r\nHuffTable:\tFF\r\n-----------------\r\n"), std::u16string::npos);
    EXPECT_NE(WriteScriptHeader(job, TableType::Regular4, TextType::HuffmanV2).find(u"HuffTable:\tFF\r\n"),
              std::u16string::npos);
    job.xOffset = -32752;
    EXPECT_NE(WriteScriptHeader(job, TableType::Custom1, TextType::Regular).find(u"XOffset:\tFFFF8010\r\n"),
              std::u16string::npos);
}

TEST(ScriptHeaderTest, ReadsBackWhatWasWritten) {
    JobSettings job;
    job.tableStart = 0x3DB0;
    job.tableEnd = 0x3DE6;
    job.textStart = 0x20;
    job.textEnd = 0x1019;
    job.xOffset = -32752;
    job.huffTable = 0x1A2B;
    const auto header = ReadScriptHeader(WriteScriptHeader(job, TableType::Scattered4, TextType::Regular));
    ASSERT_TRUE(header);
    EXPECT_EQ(header->job.tableStart, 0x3DB0);
    EXPECT_EQ(header->job.tableEnd, 0x3DE6);
    EXPECT_EQ(header->job.textStart, 0x20);
    EXPECT_EQ(header->job.textEnd, 0x1019);
    EXPECT_EQ(header->job.xOffset, -32752);
    EXPECT_EQ(header->job.huffTable, 0x1A2B);
    EXPECT_TRUE(header->hasHuffTable);
    EXPECT_EQ(header->tableType, TableType::Scattered4);
}

TEST(ScriptHeaderTest, KeysAreFoundAnywhereInAnyOrder) {
    const std::u16string shuffled =
        u"XOffset:\t7F0\r\n\r\n\r\nText End:\t815\r\nTable Start:\t10\r\nText Start:\t810\r\n\r\nTable End:\t16\r\n"
        u"-----------------\r\n10\r\n";
    const auto header = ReadScriptHeader(shuffled);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->job.tableStart, 0x10);
    EXPECT_EQ(header->job.textEnd, 0x815);
    EXPECT_EQ(header->tableType, TableType::Regular2) << "no Table Type line: type 0";
    EXPECT_FALSE(header->hasHuffTable);
}

TEST(ScriptHeaderTest, TextTypeIsOnlyReadAfterTableType) {
    const auto withoutTableType = ReadScriptHeader(
        u"Table Start:\t0\r\nTable End:\t0\r\nText Start:\t0\r\nText End:\t0\r\nXOffset:\t0\r\nText Type:\t2\r\n");
    ASSERT_TRUE(withoutTableType);
    EXPECT_EQ(withoutTableType->textType, TextType::Regular);
}

TEST(ScriptHeaderTest, IncompleteHeadersAreBadFiles) {
    EXPECT_FALSE(ReadScriptHeader(u"Table Start: 10\r\nTable End:\t16\r\n")) << "a space is not the tab";
    EXPECT_FALSE(ReadScriptHeader(u"Table Start:\t10\r\nTable End:\t16\r\nText Start:\t0\r\nText End:\t0\r\n"))
        << "XOffset missing";
    EXPECT_FALSE(ReadScriptHeader(
        u"Table Start:\t0\r\nTable End:\t0\r\nText Start:\t0\r\nText End:\t0\r\nXOffset:\t0\r\nTable Type:\t2\r\n"))
        << "Table Type without Text Type";
    const auto noDigits =
        ReadScriptHeader(u"Table Start:\t\r\nTable End:\tZ\r\nText Start:\t1\r\nText End:\t2\r\nXOffset:\t3\r\n");
    ASSERT_TRUE(noDigits);
    EXPECT_EQ(noDigits->job.tableStart, 0);
    EXPECT_EQ(noDigits->job.tableEnd, 0);
}

TEST(ScriptBodyTest, StartsAfterTheFirstDashLine) {
    EXPECT_EQ(FindScriptBody(kHeader), kHeader.size());
    const std::u16string longer = u"x\r\n--------------------\r\nbody";
    ASSERT_TRUE(FindScriptBody(longer));
    EXPECT_EQ(longer.substr(*FindScriptBody(longer)), u"body");
    EXPECT_FALSE(FindScriptBody(u"Table Start:\t0\r\n----------------\r\n"));
}

TEST(ScriptBodyTest, LayoutFollowsWhatExtractWrites) {
    ScriptHeader header;
    header.tableType = TableType::Scattered2;
    EXPECT_EQ(ReadBodyLayout(header), BodyLayout::PointerLines) << "scattered scripts of a whole-ROM search";
    header.tableType = TableType::Regular2;
    EXPECT_EQ(ReadBodyLayout(header), BodyLayout::TextOnly);
    header.job.tableEnd = 0x16;
    EXPECT_EQ(ReadBodyLayout(header), BodyLayout::PointerLines) << "Table Start 0 is a present table";
    header.tableType = TableType::PascalLine;
    EXPECT_EQ(ReadBodyLayout(header), BodyLayout::LengthTable);
    header.tableType = static_cast<TableType>(12);
    EXPECT_EQ(ReadBodyLayout(header), BodyLayout::TextOnly);
}

TEST(PointerLineTest, RecognisesPlainRepeatAndMoveLines) {
    const std::u16string script = u"10\r\n14 r16\r\n14 R16\r\n14 m8000\r\n14r16\r\n14  r16\r\n1234 5678 (9ABC)\r\n";
    auto line = ParsePointerLine(script, 0);
    EXPECT_EQ(line.offset, 0x10);
    EXPECT_EQ(line.kind, PointerLineKind::Plain);
    EXPECT_EQ(line.next, 4u);

    line = ParsePointerLine(script, line.next);
    EXPECT_EQ(line.kind, PointerLineKind::Repeat);
    EXPECT_EQ(line.offset, 0x14);
    EXPECT_EQ(line.second, 0x16);
    line = ParsePointerLine(script, line.next);
    EXPECT_EQ(line.kind, PointerLineKind::Repeat);
    line = ParsePointerLine(script, line.next);
    EXPECT_EQ(line.kind, PointerLineKind::Move);
    EXPECT_EQ(line.second, 0x8000);
    line = ParsePointerLine(script, line.next);
    EXPECT_EQ(line.kind, PointerLineKind::Plain) << "14r16 has no separator";
    line = ParsePointerLine(script, line.next);
    EXPECT_EQ(line.kind, PointerLineKind::Plain) << "two spaces: the marker is a space";
    line = ParsePointerLine(script, line.next);
    EXPECT_EQ(line.kind, PointerLineKind::Plain);
    EXPECT_EQ(line.offset, 0x1234);
    EXPECT_EQ(line.next, script.size());
}

TEST(PointerLineTest, NumbersAreOnlyReadWithinTheLine) {
    const std::u16string script = u"\r\n4142\r\n(9ABC)\r\n14 r\r\n";
    auto line = ParsePointerLine(script, 0);
    EXPECT_FALSE(line.offset) << "a blank line must not borrow the next line's number";
    EXPECT_EQ(line.next, 2u);
    line = ParsePointerLine(script, 8);
    EXPECT_FALSE(line.offset);
    line = ParsePointerLine(script, 16);
    EXPECT_EQ(line.kind, PointerLineKind::Repeat);
    EXPECT_FALSE(line.second);
}

TEST(PointerLineTest, LineNumbersCountFromOne) {
    const std::u16string script = u"a\r\nb\r\nc";
    EXPECT_EQ(LineNumberAt(script, 0), 1);
    EXPECT_EQ(LineNumberAt(script, 3), 2);
    EXPECT_EQ(LineNumberAt(script, 6), 3);
}
