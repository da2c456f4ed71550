#include "TestSupport.h"

#include "chartable/CharTable.h"
#include "job/Go.h"
#include "job/Messages.h"

#include <gtest/gtest.h>

using namespace quorvex;
using quorvex::test::RecordingPrompt;
using quorvex::test::TempDir;

namespace {

JobFieldTexts Fields(std::u16string tableStart, std::u16string huffTable = u"") {
    JobFieldTexts fields;
    fields.tableStart = std::move(tableStart);
    fields.huffTable = std::move(huffTable);
    return fields;
}

std::u16string Path(const std::filesystem::path& path) {
    return FromUtf8(path.string());
}

}  // namespace

TEST(JobFieldsTest, ReadsHexAndDecimalAsTyped) {
    EXPECT_EQ(ReadJobFields(Fields(u"0X1F"), false).tableStart, 31);
    EXPECT_EQ(ReadJobFields(Fields(u"010"), false).tableStart, 8);
    EXPECT_EQ(ReadJobFields(Fields(u"1F"), true).tableStart, 31);
    EXPECT_EQ(ReadJobFields(Fields(u"0X1F"), true).tableStart, 31);
    EXPECT_EQ(ReadJobFields(Fields(u"256"), false).tableStart, 256);
    EXPECT_EQ(ReadJobFields(Fields(u"NOPE"), true).tableStart, 0);
    JobFieldTexts offset;
    offset.xOffset = u"-7FF0";
    EXPECT_EQ(ReadJobFields(offset, true).xOffset, -32752);
}

TEST(JobFieldsTest, CommandLengthCountsTheTypedCharacters) {
    EXPECT_EQ(ReadJobFields(Fields(u"", u"FF"), true).commandLength, 1);
    EXPECT_EQ(ReadJobFields(Fields(u"", u"FFF"), true).commandLength, 2);
    const JobSettings padded = ReadJobFields(Fields(u"", u"00FF"), true);
    EXPECT_EQ(padded.commandLength, 2);
    EXPECT_EQ(padded.huffTable, 255);
    const JobSettings empty = ReadJobFields(Fields(u"", u""), true);
    EXPECT_EQ(empty.commandLength, 0);
    EXPECT_EQ(empty.huffTable, 0);
    EXPECT_EQ(ReadJobFields(Fields(u"", u"255"), false).commandLength, 2) << "counted whatever the base";
}

TEST(GoTest, RefusesExtractAndInsertWithoutARom) {
    for (const Tab tab : {Tab::Extract, Tab::Insert}) {
        RecordingPrompt prompt;
        GoState state;
        state.tab = tab;
        state.insertPath = u"script.txt";
        const GoResult result = RunGo(state, prompt);
        EXPECT_FALSE(result.output);
        ASSERT_EQ(prompt.messages.size(), 1u);
        EXPECT_EQ(prompt.messages[0], messages::kNoRom);
    }
}

TEST(GoTest, RefusesInsertAndCheckWithoutAnInsertFile) {
    for (const Tab tab : {Tab::Insert, Tab::CheckInsert}) {
        RecordingPrompt prompt;
        GoState state;
        state.tab = tab;
        state.romPath = u"game.rom";
        EXPECT_FALSE(RunGo(state, prompt).output);
        ASSERT_EQ(prompt.messages.size(), 1u);
        EXPECT_EQ(prompt.messages[0], messages::kNoInsertFile);
    }
}

TEST(GoTest, CheckInsertRunsWithoutARomAndLoadsTheNamedFileWhenNoneIsHeld) {
    TempDir dir;
    test::WriteText(dir / "script.txt",
                    "Table Start:\t0\nTable End:\t0\nText Start:\t0\nText End:\t1\nXOffset:\t0\n\n"
                    "Table Type:\t0\nText Type:\t0\n-----------------\n<41><42>\n");
    RecordingPrompt prompt;
    GoState state;
    state.tab = Tab::CheckInsert;
    state.insertPath = Path(dir / "script.txt");
    state.decoding.mode = ReadMode::UTF8;
    const GoResult result = RunGo(state, prompt);
    ASSERT_TRUE(result.output);
    EXPECT_EQ(test::Narrow(*result.output),
              "Text Starts at 0 and ends at 1 (2 bytes)\r\nDone.\r\n\r\nTotal length: 2 (x2) bytes\r\n"
              "The text fits perfectly!");
    ASSERT_TRUE(result.loadedInsertText);
    EXPECT_NE(result.loadedInsertText->find(u"<41><42>\r\n"), std::u16string::npos);
    EXPECT_TRUE(prompt.messages.empty());
}

TEST(GoTest, ExtractOfAMissingRomIsTheFileErrorAndLeavesTheOutput) {
    TempDir dir;
    RecordingPrompt prompt;
    GoState state;
    state.romPath = Path(dir / "missing.rom");
    const GoResult result = RunGo(state, prompt);
    EXPECT_FALSE(result.output);
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0],
              messages::FileErrorMessage((dir / "missing.rom").string(), "No such file or directory"));
}

TEST(GoTest, ExtractReadsTheFieldsInTheChosenBase) {
    TempDir dir;
    test::WriteBytes(dir / "game.rom", test::RomBuilder(0x200).Put(0x100, {0x41, 0x42}).bytes());
    for (const bool hex : {true, false}) {
        RecordingPrompt prompt;
        GoState state;
        state.romPath = Path(dir / "game.rom");
        state.hex = hex;
        state.fields.textStart = hex ? u"100" : u"256";
        state.fields.textEnd = hex ? u"101" : u"257";
        const GoResult result = RunGo(state, prompt);
        ASSERT_TRUE(result.output);
        EXPECT_NE(result.output->find(u"Text Start:\t100\r\nText End:\t101\r\n"), std::u16string::npos);
        EXPECT_NE(result.output->find(u"-----------------\r\n<41><42>\r\n"), std::u16string::npos);
        ASSERT_EQ(prompt.messages.size(), 1u);
        EXPECT_EQ(prompt.messages[0], messages::kDone);
    }
}

TEST(GoTest, SuccessfulInsertEmptiesTheOutput) {
    TempDir dir;
    test::WriteBytes(dir / "game.rom", std::vector<std::uint8_t>(4, 0));
    const std::u16string script =
        u"Table Start:\t0\r\nTable End:\t0\r\nText Start:\t1\r\nText End:\t2\r\nXOffset:\t0\r\n\r\n"
        u"Table Type:\t0\r\nText Type:\t0\r\n-----------------\r\n<41><42>\r\n";
    RecordingPrompt prompt;
    GoState state;
    state.tab = Tab::Insert;
    state.romPath = Path(dir / "game.rom");
    state.insertPath = u"held.txt";
    state.insertText = &script;
    const GoResult result = RunGo(state, prompt);
    ASSERT_TRUE(result.output);
    EXPECT_TRUE(result.output->empty());
    EXPECT_EQ(test::ReadBytes(dir / "game.rom"), (std::vector<std::uint8_t>{0, 0x41, 0x42, 0}));
}
