// ReDo Script: re-extracts what a script's header describes and saves the new
// script over the file; a file it cannot use is left exactly as it was.
#include "insert/RedoScript.h"

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
#include <filesystem>

namespace quorvex {
namespace {

namespace fs = std::filesystem;
using namespace test;
using Bytes = std::vector<std::uint8_t>;

const TextDecoding kUtf7{ReadMode::UTF7, "windows-1252"};
const TextDecoding kUtf8{ReadMode::UTF8, "windows-1252"};

// Regular2: pointers at 0x10 and 0x12 to "Cafe" with an accent and to "AB".
Bytes RegularRom() {
    return RomBuilder(0x200, 0xCC)
        .Put(0x10, {0x00, 0x01, 0x05, 0x01})
        .Put(0x100, {0x43, 0x61, 0x66, 0xE9, 0xFF, 0x41, 0x42, 0xFF})
        .bytes();
}
const CharTable kTable = CharTable::FromText(u"41=A\r\n42=B\r\n43=C\r\n61=a\r\n66=f\r\nE9=\u00E9\r\nFF=[END]\r\n");

// An old script of that job whose body no longer matches the ROM.
constexpr std::string_view kStaleScript =
    "Table Start:\t10\r\nTable End:\t13\r\nText Start:\t100\r\nText End:\t107\r\nXOffset:\t0\r\n\r\n"
    "Table Type:\t0\r\nText Type:\t0\r\n-----------------\r\n10\r\nOld text\r\n12\r\nMore\r\n";

class RedoScriptTest : public ::testing::Test {
protected:
    void SetUp() override { WriteBytes(romPath, RegularRom()); }

    void PutScript(std::string_view utf8) {
        WriteText(scriptPath, utf8);
        fs::last_write_time(scriptPath, kOldTime);
        scriptBytes = ReadBytes(scriptPath);
    }

    RedoResult Redo(const TextDecoding& decoding = kUtf7, const CharTable* table = &kTable) {
        return RedoScript(scriptPath, romPath, table, decoding, prompt);
    }

    void ExpectScriptUnchanged() const {
        EXPECT_EQ(ReadBytes(scriptPath), scriptBytes);
        EXPECT_EQ(fs::last_write_time(scriptPath), kOldTime);
    }

    static inline const fs::file_time_type kOldTime = fs::file_time_type::clock::now() - std::chrono::hours(30);

    TempDir dir;
    fs::path romPath = dir / "game.rom";
    fs::path scriptPath = dir / "game.txt";
    Bytes scriptBytes;
    RecordingPrompt prompt;
};

TEST_F(RedoScriptTest, SavesTheFreshScriptAsUtf8WithOneTrailingZero) {
    PutScript(kStaleScript);

    const RedoResult result = Redo();

    ASSERT_EQ(result.outcome, RedoResult::Outcome::Saved);
    const std::u16string expected =
        u"Table Start:\t10\r\nTable End:\t13\r\nText Start:\t100\r\nText End:\t107\r\nXOffset:\t0\r\n\r\n"
        u"Table Type:\t0\r\nText Type:\t0\r\n-----------------\r\n10\r\nCaf\u00E9[END]\r\n12\r\nAB[END]\r\n";
    EXPECT_EQ(result.script, expected);
    // The accent is written as UTF-8 although the file was read as UTF-7.
    std::string utf8 = ToUtf8(expected);
    Bytes bytes(utf8.begin(), utf8.end());
    bytes.push_back(0);
    EXPECT_EQ(ReadBytes(scriptPath), bytes);
    EXPECT_EQ(prompt.messages, std::vector<std::u16string>{std::u16string(messages::kDone)});
    // And the saved file reads back as the same script.
    EXPECT_EQ(LoadInsertFile(scriptPath, kUtf8), expected);
}

TEST_F(RedoScriptTest, TheTypesComeFromTheHeader) {
    // PascalLine: the table at 0x10 holds lengths 0, 1, 5.
    WriteBytes(
        romPath,
        RomBuilder(0x200, 0xCC).Put(0x10, {0x00, 0x01, 0x05}).Put(0x100, {0x41, 0x42, 0x43, 0x61, 0x66, 0xFF}).bytes());
    PutScript("Table Start:\t10\r\nTable End:\t12\r\nText Start:\t100\r\nText End:\t105\r\nXOffset:\t0\r\n\r\n"
              "Table Type:\t3\r\nText Type:\t1\r\nHuffTable:\t40\r\n-----------------\r\n");
    const RedoResult pascal = Redo();
    ASSERT_EQ(pascal.outcome, RedoResult::Outcome::Saved);
    EXPECT_EQ(pascal.tableType, TableType::PascalLine);
    EXPECT_EQ(pascal.textType, TextType::HuffmanV1);
    EXPECT_NE(pascal.script.find(u"Table Type:\t3\r\nText Type:\t1\r\nHuffTable:\t40\r\n"), std::u16string::npos);

    // Without a "Table Type:" line: Regular2 and Regular, even with a Text Type line.
    WriteBytes(romPath, RegularRom());
    PutScript("Table Start:\t10\r\nTable End:\t13\r\nText Start:\t100\r\nText End:\t107\r\nXOffset:\t0\r\n"
              "Text Type:\t2\r\n-----------------\r\n");
    const RedoResult plain = Redo();
    ASSERT_EQ(plain.outcome, RedoResult::Outcome::Saved);
    EXPECT_EQ(plain.tableType, TableType::Regular2);
    EXPECT_EQ(plain.textType, TextType::Regular);
    EXPECT_NE(plain.script.find(u"-----------------\r\n10\r\nCaf\u00E9[END]\r\n12\r\nAB[END]\r\n"),
              std::u16string::npos);
}

TEST(CommandLengthTest, GrowsWithTheValueComparedSigned) {
    const std::pair<std::uint32_t, int> cases[] = {{0x1A, 1},      {0xFF, 1},      {0x100, 2},       {0x1A2B, 2},
                                                   {0x10000, 3},   {0xFFFFFF, 3},  {0x1000000, 4},   {0x7FFFFFFF, 4},
                                                   {0xFFFFFFFF, 1}};
    for (const auto& [value, length] : cases)
        EXPECT_EQ(CommandLengthFromValue(static_cast<std::int32_t>(value)), length) << std::hex << value;
}

TEST_F(RedoScriptTest, AScatteredJobTakesItsCommandLengthFromTheHuffTableLine) {
    // Two-byte command FF00 (the ROM bytes 00 FF): the strings 41 00 FF, 00 FF and 42.
    WriteBytes(romPath, RomBuilder(0x200, 0xCC).Put(0x100, {0x41, 0x00, 0xFF, 0x00, 0xFF, 0x42}).bytes());
    const std::string header =
        "Table Start:\t10\r\nTable End:\t3F\r\nText Start:\t100\r\nText End:\t105\r\nXOffset:\t0\r\n\r\n"
        "Table Type:\t2\r\nText Type:\t0\r\n";

    PutScript(header + "HuffTable:\tFF00\r\n-----------------\r\n");
    const RedoResult withCommand = Redo(kUtf7, nullptr);
    ASSERT_EQ(withCommand.outcome, RedoResult::Outcome::Saved);
    EXPECT_NE(withCommand.script.find(
                  u"-----------------\r\n(100)\r\n<41><00><FF>\r\n(103)\r\n<00><FF>\r\n(105)\r\n<42>\r\n"),
              std::u16string::npos)
        << Narrow(withCommand.script);

    // Without the line there is no command: the whole area is one string.
    PutScript(header + "-----------------\r\n");
    const RedoResult withoutCommand = Redo(kUtf7, nullptr);
    ASSERT_EQ(withoutCommand.outcome, RedoResult::Outcome::Saved);
    EXPECT_NE(withoutCommand.script.find(u"-----------------\r\n(100)\r\n<41><00><FF><00><FF><42>\r\n"),
              std::u16string::npos)
        << Narrow(withoutCommand.script);
}

TEST_F(RedoScriptTest, ABadFileIsReportedAndLeftUntouched) {
    const std::string cases[] = {
        "Table Start: 10\r\n-----------------\r\n",                                  // no key (a space, not a tab)
        "Table Start:\t10\r\nTable End:\t13\r\nText Start:\t100\r\n-----------------\r\n",  // incomplete header
        std::string(kStaleScript.substr(0, kStaleScript.find("---"))),               // no dash line
    };
    for (const auto& text : cases) {
        SCOPED_TRACE(text);
        PutScript(text);
        prompt.messages.clear();

        const RedoResult result = Redo();

        EXPECT_EQ(result.outcome, RedoResult::Outcome::BadFile);
        EXPECT_EQ(result.badFileText, FromUtf8(text));
        EXPECT_EQ(prompt.messages, std::vector<std::u16string>{std::u16string(messages::kBadFileRedo)});
        ExpectScriptUnchanged();
    }
}

TEST_F(RedoScriptTest, ARefusedExtractionSavesNothing) {
    // 65,536 two-byte pointers: one more than the pointer list holds.
    WriteBytes(romPath, Bytes(0x20100, 0x00));
    PutScript("Table Start:\t10\r\nTable End:\t2000F\r\nText Start:\t20010\r\nText End:\t200FF\r\nXOffset:\t0\r\n"
              "\r\nTable Type:\t0\r\nText Type:\t0\r\n-----------------\r\n");

    const RedoResult result = Redo();

    EXPECT_EQ(result.outcome, RedoResult::Outcome::Refused);
    EXPECT_EQ(prompt.messages, std::vector<std::u16string>{std::u16string(messages::kTooManyEntries)});
    ExpectScriptUnchanged();
}

TEST_F(RedoScriptTest, FilesThatCannotBeUsedAreFileErrorsAndTheScriptStaysAsItWas) {
    // No script at all.
    EXPECT_THROW((void)Redo(), FileError);
    EXPECT_FALSE(fs::exists(scriptPath));

    // A read-only script is refused before anything is extracted.
    PutScript(kStaleScript);
    fs::permissions(scriptPath, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(dir.path(), fs::perms::all);
    {
        AsUnprivilegedUser guard;
        EXPECT_THROW((void)Redo(), FileError);
    }
    ExpectScriptUnchanged();

    // No ROM.
    fs::permissions(scriptPath, fs::perms::owner_all);
    fs::remove(romPath);
    EXPECT_THROW((void)Redo(), FileError);
    ExpectScriptUnchanged();
    EXPECT_TRUE(prompt.messages.empty());
}

}  // namespace
}  // namespace quorvex
