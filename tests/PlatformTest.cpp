#include "TestSupport.h"

#include "platform/ByteOrder.h"
#include "platform/CodePage.h"
#include "platform/FileError.h"
#include "platform/Files.h"
#include "platform/Numbers.h"
#include "platform/RomFile.h"

#include <gtest/gtest.h>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quorvex;
using quorvex::test::TempDir;

namespace {

std::vector<std::uint8_t> Bytes(std::string_view text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

}  // namespace

TEST(NumbersTest, ScansLikeTheCLibrary) {
    EXPECT_EQ(ScanInt(u"0X1F"), 31);
    EXPECT_EQ(ScanInt(u"010"), 8);
    EXPECT_EQ(ScanInt(u"256"), 256);
    EXPECT_EQ(ScanHex(u"1F"), 31);
    EXPECT_EQ(ScanHex(u"0X1F"), 31);
    EXPECT_EQ(ScanHex(u"-7FF0"), -32752);
    EXPECT_EQ(ScanHex(u"  10 trailing"), 16);
    EXPECT_EQ(ScanHex(u"FFFFFFFF"), -1);
    EXPECT_FALSE(ScanHex(u""));
    EXPECT_FALSE(ScanHex(u"XYZ"));
    EXPECT_FALSE(ScanInt(u"G"));
}

TEST(NumbersTest, FormatsAsPrintfDoes) {
    EXPECT_EQ(FormatHex(0x7F0), u"7F0");
    EXPECT_EQ(FormatHex(-32752), u"FFFF8010");
    EXPECT_EQ(FormatHex(0), u"0");
    EXPECT_EQ(FormatDec(-13), u"-13");
    EXPECT_EQ(FormatHex2(0x0A), u"0A");
}

TEST(NumbersTest, ReadsTableKeysInEitherCase) {
    std::uint8_t bytes[3] = {};
    EXPECT_EQ(ScanKeyBytes(u"e0E1e2=Potion", bytes), 3);
    EXPECT_EQ(bytes[0], 0xE0);
    EXPECT_EQ(bytes[1], 0xE1);
    EXPECT_EQ(bytes[2], 0xE2);
    EXPECT_EQ(ScanKeyBytes(u"41=A", bytes), 1);
    EXPECT_EQ(ScanKeyBytes(u"=A", bytes), 0);
}

TEST(CodePageTest, DecodesEachReadMode) {
    const TextDecoding ascii{ReadMode::Ascii, "windows-1252"};
    EXPECT_EQ(DecodeBytes(Bytes("caf\xE9"), ascii), u"caf\u00E9");
    EXPECT_EQ(DecodeBytes(Bytes("caf\xC3\xA9"), TextDecoding{ReadMode::UTF8, {}}), u"caf\u00E9");
    EXPECT_EQ(DecodeBytes(Bytes("1 +- 1"), TextDecoding{ReadMode::UTF7, {}}), u"1 + 1");
    EXPECT_EQ(DecodeBytes(Bytes("\x82\xA0"), TextDecoding{ReadMode::Ascii, "Shift_JIS"}), u"\u3042");
}

TEST(CodePageTest, StopsAtTheFirstZeroAndReplacesInvalidBytes) {
    const std::vector<std::uint8_t> bytes = {'A', 0xFF, 'B', 0, 'C'};
    EXPECT_EQ(DecodeBytes(bytes, TextDecoding{ReadMode::UTF8, {}}), u"A\uFFFDB");
}

TEST(CodePageTest, RefusesAnUnknownCodePage) {
    EXPECT_FALSE(IsKnownCodePage("no-such-code-page"));
    EXPECT_TRUE(IsKnownCodePage("windows-1252"));
    EXPECT_THROW((void)DecodeBytes(Bytes("A"), TextDecoding{ReadMode::Ascii, "no-such-code-page"}),
                 std::invalid_argument);
}

TEST(CodePageTest, TextFilesGetCrLfAndLoseTheirByteOrderMark) {
    const TextDecoding utf8{ReadMode::UTF8, {}};
    EXPECT_EQ(DecodeTextFile(Bytes("\xEF\xBB\xBF" "41=A\n42=B\r\n43=C\n"), utf8), u"41=A\r\n42=B\r\n43=C\r\n");
    const std::vector<std::uint8_t> utf16le = {0xFF, 0xFE, '4', 0, '1', 0, '=', 0, 'A', 0, '\n', 0};
    EXPECT_EQ(DecodeTextFile(utf16le, utf8), u"41=A\r\n");
    const std::vector<std::uint8_t> utf16be = {0xFE, 0xFF, 0, 'A', 0x30, 0x42};
    EXPECT_EQ(DecodeTextFile(utf16be, TextDecoding{ReadMode::Ascii, "windows-1252"}), u"A\u3042");
}

TEST(CodePageTest, Utf8RoundTrip) {
    const std::u16string text = u"Potion \u3042 \U0001F600\r\n";
    EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
}

TEST(FilesTest, MissingFileIsAFileErrorNamingIt) {
    TempDir dir;
    try {
        (void)ReadWholeFile(dir / "missing.rom");
        FAIL() << "no error";
    } catch (const FileError& error) {
        EXPECT_EQ(error.path(), (dir / "missing.rom").string());
        EXPECT_EQ(error.reason(), "No such file or directory");
    }
    EXPECT_THROW((void)ReadWholeFile(dir.path()), FileError);
}

TEST(FilesTest, AtomicSaveReplacesContentsAndKeepsPermissions) {
    TempDir dir;
    const auto path = dir / "game.rom";
    test::WriteBytes(path, {1, 2, 3});
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    SaveFileAtomically(path, std::vector<std::uint8_t>{9, 8});
    EXPECT_EQ(test::ReadBytes(path), (std::vector<std::uint8_t>{9, 8}));
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "temporary file left behind";
}

TEST(FilesTest, SaveClearsTemporariesLeftByAnInterruptedSave) {
    TempDir dir;
    const auto path = dir / "game.rom";
    test::WriteBytes(path, {1});
    test::WriteBytes(dir / "game.rom.quorvex-Ab12Cd", {2});
    test::WriteBytes(dir / "other.rom.quorvex-Ab12Cd", {3});
    SaveFileAtomically(path, std::vector<std::uint8_t>{4});
    EXPECT_FALSE(std::filesystem::exists(dir / "game.rom.quorvex-Ab12Cd"));
    EXPECT_TRUE(std::filesystem::exists(dir / "other.rom.quorvex-Ab12Cd")) << "another file's save is not ours";
}

TEST(FilesTest, FailedSaveLeavesTheOldFileWhole) {
    if (::geteuid() == 0) GTEST_SKIP() << "root can write into a read-only folder";
    TempDir dir;
    const auto path = dir / "game.rom";
    test::WriteBytes(path, {1, 2, 3});
    ASSERT_EQ(::chmod(dir.path().c_str(), 0500), 0);
    EXPECT_THROW(SaveFileAtomically(path, std::vector<std::uint8_t>{9}), FileError);
    ::chmod(dir.path().c_str(), 0700);
    EXPECT_EQ(test::ReadBytes(path), (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST(RomFileTest, ReadsNeverReachPastTheEnd) {
    const RomFile rom(std::vector<std::uint8_t>{1, 2, 3, 4});
    EXPECT_EQ(rom.Read(2, 10).size(), 2u);
    EXPECT_TRUE(rom.Read(4, 1).empty());
    EXPECT_TRUE(rom.Read(-1, 2).empty());
    EXPECT_EQ(rom.ReadByte(3), 4);
    EXPECT_FALSE(rom.ReadByte(4));
}

TEST(ByteOrderTest, ReadsAndWritesEachOrder) {
    const std::vector<std::uint8_t> bytes = {0x10, 0x80, 0x01, 0x00};
    EXPECT_EQ(ReadU16Le(bytes, 0), 0x8010u);
    EXPECT_EQ(ReadU24Le(bytes, 0), 0x018010u);
    EXPECT_EQ(ReadU32Be(bytes, 0), 0x10800100u);
    EXPECT_FALSE(ReadU32Le(bytes, 1));
    std::vector<std::uint8_t> image(4, 0);
    EXPECT_TRUE(WriteBe(image, 0, 4, 0x00018010));
    EXPECT_EQ(image, (std::vector<std::uint8_t>{0x00, 0x01, 0x80, 0x10}));
    EXPECT_FALSE(WriteLe(image, 3, 2, 0xFFFF));
    EXPECT_EQ(image[3], 0x10);
}

TEST(FilesTest, SaveThatRunsOutOfSpaceLeavesTheOldFileAndNoTemporary) {
    TempDir dir;
    const auto path = dir / "game.rom";
    test::WriteBytes(path, {1, 2, 3});
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        try {
            SaveFileAtomically(path, std::vector<std::uint8_t>(100000, 7));
        } catch (const FileError&) {
            ::_exit(0);
        }
        ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the failed write was not reported";
    EXPECT_EQ(test::ReadBytes(path), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "temporary file left behind";
}
