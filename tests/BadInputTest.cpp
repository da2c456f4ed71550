// Every bad input the tool recognises, as the user meets it: the exact
// message, and what happens to the files (docs/bad-input.md lists the same
// rows). Each test names its row.
#include "TestSupport.h"

#include "chartable/CharTable.h"
#include "insert/RedoScript.h"
#include "insert/TestText.h"
#include "job/CTextEngine.h"
#include "job/Go.h"
#include "job/Messages.h"
#include "job/Script.h"
#include "platform/CodePage.h"
#include "platform/FileError.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/wait.h>

using namespace quorvex;
using namespace quorvex::test;
namespace fs = std::filesystem;

namespace {

const std::u16string kTableText = u"41=A\r\n42=B\r\n43=C\r\nFF=[END]\r\n";

// The script format's worked example, moved to text at 0x40 with X000 Offset 0:
// pointers at 0x10, 0x12, 0x14; text area 0x40-0x45.
std::u16string Script(std::u16string_view body, std::u16string_view textEnd = u"45") {
    return u"Table Start:\t10\r\nTable End:\t15\r\nText Start:\t40\r\nText End:\t" + std::u16string(textEnd) +
           u"\r\nXOffset:\t0\r\n\r\nTable Type:\t0\r\nText Type:\t0\r\n-----------------\r\n" + std::u16string(body);
}
const std::u16string kGoodBody = u"10\r\nAB[END]\r\n12 r14\r\n14\r\nA<43>[END]\r\n";

class BadInput : public ::testing::Test {
protected:
    void SetUp() override {
        romPath = dir / "game.rom";
        original = RomBuilder(0x60, 0xEE)
                       .Put(0x10, {0x40, 0x00, 0x43, 0x00, 0x43, 0x00})
                       .Put(0x40, {0x41, 0x42, 0xFF, 0x41, 0x43, 0xFF})
                       .bytes();
        WriteBytes(romPath, original);
    }

    // GO on a tab, as the dialog runs it.
    std::vector<std::u16string> Go(Tab tab, const std::u16string* script, bool withRom = true, bool withTable = true,
                                   std::u16string insertPath = u"edited.txt") {
        GoState state;
        state.tab = tab;
        if (withRom) state.romPath = FromUtf8(romPath.string());
        state.insertPath = std::move(insertPath);
        state.insertText = script;
        state.table = withTable ? &table : nullptr;
        state.fields.tableStart = u"10";
        state.fields.tableEnd = u"15";
        state.fields.textStart = u"40";
        state.fields.textEnd = u"45";
        prompt.messages.clear();
        last = RunGo(state, prompt);
        return prompt.messages;
    }

    [[nodiscard]] bool RomUnchanged() const { return ReadBytes(romPath) == original; }
    [[nodiscard]] bool OnlyTheRom() const {
        return std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()) == 1;
    }

    TempDir dir;
    fs::path romPath;
    std::vector<std::uint8_t> original;
    CharTable table = CharTable::FromText(kTableText);
    RecordingPrompt prompt;
    GoResult last;
};

using Messages = std::vector<std::u16string>;

TEST_F(BadInput, NoRomIsRefusedBeforeAnythingIsRead) {
    const std::u16string script = Script(kGoodBody);
    for (const Tab tab : {Tab::Extract, Tab::Insert}) {
        EXPECT_EQ(Go(tab, &script, false), Messages{u"You can't run this without the ROM!"});
        EXPECT_FALSE(last.output.has_value());
    }
    EXPECT_TRUE(RomUnchanged());
}

TEST_F(BadInput, NoInsertFileIsRefused) {
    for (const Tab tab : {Tab::Insert, Tab::CheckInsert}) {
        EXPECT_EQ(Go(tab, nullptr, true, true, u""), Messages{u"You can't run this without the Insert File!"});
        EXPECT_FALSE(last.output.has_value());
    }
    EXPECT_TRUE(RomUnchanged());
}

TEST_F(BadInput, TestNeedsAtLeastTwoCharacters) {
    for (const std::u16string text : {u"", u"A"}) {
        prompt.messages.clear();
        EXPECT_FALSE(RunTest(text, &table, prompt).has_value());
        EXPECT_EQ(prompt.messages, Messages{u"You can't run this without some input text!"});
    }
}

TEST_F(BadInput, AFileThatIsNotAScriptIsABadFileForEveryCommand) {
    const std::u16string good = Script(kGoodBody);
    const std::u16string cases[] = {
        u"Table Start: 10\r\n" + kGoodBody,                                     // a space for the tab
        good.substr(0, good.find(u"Text End:")) + good.substr(good.find(u"XOffset:")),  // a key missing
        good.substr(0, good.find(u"Text Type:")) + good.substr(good.find(u"-----")),    // Table Type alone
        good.substr(0, good.find(u"-----")) + kGoodBody,                        // no dash line
    };
    for (const auto& script : cases) {
        SCOPED_TRACE(Narrow(script));
        EXPECT_EQ(Go(Tab::Insert, &script), Messages{u"THIS IS A BAD FILE!"});
        EXPECT_EQ(Go(Tab::CheckInsert, &script), Messages{});
        EXPECT_EQ(last.output, u"Bad File!");
    }
    EXPECT_TRUE(RomUnchanged());

    // ReDo Script says it in its own words and leaves the file alone; a
    // UTF-16 file without a byte-order mark is one of these.
    const fs::path scriptPath = dir / "game.txt";
    std::vector<std::uint8_t> utf16;
    for (const char16_t c : good) {
        utf16.push_back(static_cast<std::uint8_t>(c));
        utf16.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    WriteBytes(scriptPath, utf16);
    TextDecoding decoding;
    decoding.mode = ReadMode::UTF8;
    prompt.messages.clear();
    EXPECT_EQ(RedoScript(scriptPath, romPath, &table, decoding, prompt).outcome, RedoResult::Outcome::BadFile);
    EXPECT_EQ(prompt.messages, Messages{u"BAD FILE!"});
    EXPECT_EQ(ReadBytes(scriptPath), utf16);
    EXPECT_TRUE(RomUnchanged());
}

TEST_F(BadInput, ACharacterNotInTheTableStopsInsertAndCheckInsert) {
    const std::u16string script = Script(u"10\r\nAB[END]\r\n12 r14\r\n14\r\nA#x!B\r\n");
    EXPECT_EQ(Go(Tab::Insert, &script),
              Messages{u"You have come to a character(s) that isn't in the table!!\r\n#x!\r\nExiting!"});
    EXPECT_TRUE(RomUnchanged());
    EXPECT_TRUE(OnlyTheRom());
    (void)Go(Tab::CheckInsert, &script);
    ASSERT_TRUE(last.output.has_value());
    EXPECT_TRUE(last.output->ends_with(u"Unexpected letter/word found\r\n\r\n#x!\r\n")) << Narrow(*last.output);
}

TEST_F(BadInput, AMalformedLineIsNamedWithItsNumber) {
    struct Case {
        std::u16string body;
        std::u16string message;
    };
    const Case cases[] = {
        {u"10\r\nAB[END]\r\ntwelve r14\r\n14\r\nA[END]\r\n", u"Line 12: a pointer line needs an offset: twelve r14"},
        {u"10\r\nAB[END]\r\n12 r\r\n14\r\nA[END]\r\n", u"Line 12: a repeat or move line needs a second offset: 12 r"},
    };
    for (const auto& c : cases) {
        const std::u16string script = Script(c.body);
        EXPECT_EQ(Go(Tab::Insert, &script), Messages{c.message});
        (void)Go(Tab::CheckInsert, &script);
        ASSERT_TRUE(last.output.has_value());
        EXPECT_TRUE(last.output->ends_with(c.message)) << Narrow(*last.output);
    }
    EXPECT_TRUE(RomUnchanged());
}

TEST_F(BadInput, WithoutATableOnlyEscapesCanBeInserted) {
    const std::u16string script = Script(kGoodBody);
    const std::u16string message = u"Line 11: without a table, a text line must be made of <XX> escapes: AB[END]";
    EXPECT_EQ(Go(Tab::Insert, &script, true, false), Messages{message});
    EXPECT_TRUE(RomUnchanged());
    (void)Go(Tab::CheckInsert, &script, true, false);
    ASSERT_TRUE(last.output.has_value());
    EXPECT_TRUE(last.output->ends_with(message));
    // Escapes alone need no table.
    const std::u16string escapes = Script(u"10\r\n<41><42><FF>\r\n12 r14\r\n14\r\n<41><43><FF>\r\n");
    EXPECT_EQ(Go(Tab::Insert, &escapes, true, false),
              Messages{u"You ended with 0 bytes left over from the original text limit!"});
    EXPECT_TRUE(RomUnchanged()) << "the same bytes went back in";
}

TEST_F(BadInput, TextPastTheEndOfTheRomStopsInsert) {
    // A move line sends the last string to 0x5E: its third byte would be at 0x60.
    const std::u16string script = Script(u"10\r\nAB[END]\r\n12 r14\r\n14 m5E\r\nABC[END]\r\n", u"7F");
    EXPECT_EQ(Go(Tab::Insert, &script), Messages{u"The text runs past the end of the ROM file (offset 60)."});
    EXPECT_TRUE(RomUnchanged());
    EXPECT_TRUE(OnlyTheRom());
}

TEST_F(BadInput, TextOverTheLimitAsksAndKeepsTheRomOnNo) {
    const std::u16string script = Script(u"10\r\nAB[END]\r\n12 r14\r\n14\r\nABCAB[END]\r\n");
    prompt.answers = {false};
    EXPECT_EQ(Go(Tab::Insert, &script),
              Messages{u"You ended with going 3 bytes over the original text limit!\r\nThe ROM was not changed."});
    EXPECT_EQ(prompt.questions, Messages{u"You are 3 bytes over the end text limit!\r\nContinue?"});
    EXPECT_TRUE(RomUnchanged());
    EXPECT_TRUE(OnlyTheRom());

    (void)Go(Tab::CheckInsert, &script);
    ASSERT_TRUE(last.output.has_value());
    EXPECT_TRUE(last.output->ends_with(u"You are 3 bytes over the original text limit!"));

    prompt.answers = {true};
    EXPECT_EQ(Go(Tab::Insert, &script), Messages{u"You ended with going 3 bytes over the original text limit!"});
    const std::vector<std::uint8_t> after = ReadBytes(romPath);
    EXPECT_EQ(std::vector<std::uint8_t>(after.begin() + 0x43, after.begin() + 0x49),
              (std::vector<std::uint8_t>{0x41, 0x42, 0x43, 0x41, 0x42, 0xFF}));
    EXPECT_TRUE(OnlyTheRom());
}

TEST_F(BadInput, HuffmanV2CannotBeMeasuredWithoutTheRom) {
    const std::u16string script =
        u"Table Start:\t10\r\nTable End:\t15\r\nText Start:\t40\r\nText End:\t45\r\nXOffset:\t0\r\n\r\n"
        u"Table Type:\t0\r\nText Type:\t2\r\nHuffTable:\t20\r\n-----------------\r\n10\r\nAB\r\n";
    CTextEngine engine;
    const CheckReport report = engine.CheckInsert(&table, script, nullptr);
    EXPECT_TRUE(report.text.ends_with(u"Huffman v2 text can't be measured without the ROM.")) << Narrow(report.text);
    EXPECT_EQ(report.verdict, CheckReport::Verdict::Stopped);
}

TEST_F(BadInput, FileErrorsNameTheFileAndTouchNothing) {
    const std::u16string script = Script(kGoodBody);
    const fs::path missing = dir / "missing.rom";
    const std::u16string missingMessage =
        u"File error: \"" + FromUtf8(missing.string()) + u"\" could not be used: No such file or directory.";
    romPath = missing;
    EXPECT_EQ(Go(Tab::Extract, nullptr), Messages{missingMessage});
    EXPECT_EQ(Go(Tab::Insert, &script), Messages{missingMessage});
    EXPECT_FALSE(fs::exists(missing)) << "Insert never creates a ROM";

    romPath = dir.path();
    EXPECT_EQ(Go(Tab::Insert, &script),
              Messages{u"File error: \"" + FromUtf8(dir.path().string()) + u"\" could not be used: Is a directory."});

    // An Insert File that is named but cannot be read.
    romPath = dir / "game.rom";
    EXPECT_EQ(Go(Tab::Insert, nullptr, true, true, FromUtf8((dir / "gone.txt").string())),
              Messages{u"File error: \"" + FromUtf8((dir / "gone.txt").string()) +
                       u"\" could not be used: No such file or directory."});
    EXPECT_TRUE(RomUnchanged());

    // A character table that cannot be read builds no table.
    TextDecoding decoding;
    try {
        (void)CharTable::LoadFile(dir / "gone.tbl", decoding);
        ADD_FAILURE() << "a missing table loaded";
    } catch (const FileError& error) {
        EXPECT_EQ(messages::FileErrorMessage(error.path(), error.reason()),
                  u"File error: \"" + FromUtf8((dir / "gone.tbl").string()) +
                      u"\" could not be used: No such file or directory.");
    }
}

TEST_F(BadInput, APointerTableOfMoreThan65535EntriesIsRefused) {
    // 65,536 two-byte pointers from 0x10.
    WriteBytes(romPath, std::vector<std::uint8_t>(0x10 + 2 * 65536 + 0x10, 0));
    CTextEngine engine;
    engine.settings.tableStart = 0x10;
    engine.settings.tableEnd = 0x10 + 2 * 65536;
    engine.settings.textStart = 0x10 + 2 * 65536;
    engine.settings.textEnd = engine.settings.textStart + 0xF;
    EXPECT_FALSE(engine.Extract(romPath, &table, TableType::Regular2, TextType::Regular, prompt).has_value());
    EXPECT_EQ(prompt.messages, Messages{u"The pointer table has more than 65535 entries."});
}

TEST_F(BadInput, AnEndDialogCommandOfMoreThanFourBytesIsRefused) {
    GoState state;
    state.tab = Tab::Extract;
    state.romPath = FromUtf8(romPath.string());
    state.tableType = TableType::Scattered2;
    state.fields.textStart = u"40";
    state.fields.textEnd = u"45";
    state.fields.huffTable = u"FF00FF00FF";  // ten digits: five bytes
    const GoResult result = RunGo(state, prompt);
    EXPECT_EQ(prompt.messages, Messages{u"The End Dialog Command can be at most 4 bytes (8 digits)."});
    EXPECT_FALSE(result.output.has_value());
    EXPECT_TRUE(RomUnchanged());
}

TEST_F(BadInput, APointerPastTheTextAreaEndsTheScriptWithAnErrorLine) {
    // The last pointer leads to 0x50, beyond Text End 0x45.
    WriteBytes(romPath, RomBuilder(0x60).Put(0x10, {0x40, 0x00, 0x50, 0x00}).bytes());
    CTextEngine engine;
    engine.settings.tableStart = 0x10;
    engine.settings.tableEnd = 0x13;
    engine.settings.textStart = 0x40;
    engine.settings.textEnd = 0x45;
    const auto script = engine.Extract(romPath, &table, TableType::Regular2, TextType::Regular, prompt);
    ASSERT_TRUE(script.has_value());
    EXPECT_TRUE(script->ends_with(u"Error: Start is greater than end (start==50)")) << Narrow(*script);
}

TEST_F(BadInput, ScatteredLinesWithoutAnOffsetAreCounted) {
    const std::u16string script =
        u"Table Start:\t10\r\nTable End:\t15\r\nText Start:\t40\r\nText End:\t45\r\nXOffset:\t0\r\n\r\n"
        u"Table Type:\t2\r\nText Type:\t0\r\nHuffTable:\tFF\r\n-----------------\r\n10 (40)\r\nAB[END]\r\n(43)\r\nAC[END]\r\n";
    EXPECT_EQ(Go(Tab::Insert, &script),
              Messages{u"You ended with 0 bytes left over from the original text limit!\r\n1 strings had no pointer to rewrite."});
}

// The command line's own refusals (options it cannot read) go to stderr with exit code 2.
TEST_F(BadInput, AnUnknownCodePageIsRefusedByTheCommandLine) {
    WriteText(dir / "game.tbl", "41=A\r\n");
    const std::string command = std::string(QUORVEX_CLI_PATH) + " test --table '" + (dir / "game.tbl").string() +
                                "' --read-mode ascii --code-page klingon AB < /dev/null > '" +
                                (dir / "out.txt").string() + "' 2> '" + (dir / "err.txt").string() + "'";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
    const auto err = ReadBytes(dir / "err.txt");
    EXPECT_EQ(std::string(err.begin(), err.end()), "The code page \"klingon\" is not known.\n");
}

}  // namespace
