#include "TestSupport.h"

#include "platform/ByteOrder.h"
#include "platform/CodePage.h"
#include "platform/FileError.h"
#include "platform/FileLock.h"
#include "platform/Files.h"
#include "platform/Numbers.h"

#include <gtest/gtest.h>
#include <csignal>
#include <functional>
#include <optional>
#include <poll.h>
#include <sys/file.h>
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

// Runs `body` in a child process (its privileges and limits stay its own) and
// returns what it returned, or "<child failed>".
std::string InChild(const std::function<std::string()>& body) {
    int out[2];
    if (::pipe(out) != 0) return "<no pipe>";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(out[0]);
        std::string text;
        try {
            text = body();
        } catch (...) {
            ::_exit(1);
        }
        ::_exit(::write(out[1], text.data(), text.size()) == static_cast<ssize_t>(text.size()) ? 0 : 1);
    }
    ::close(out[1]);
    std::string text;
    char chunk[256];
    for (ssize_t n; (n = ::read(out[0], chunk, sizeof chunk)) > 0;) text.append(chunk, static_cast<std::size_t>(n));
    ::close(out[0]);
    int status = 0;
    const bool exited = child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return exited ? text : "<child failed>";
}

std::size_t FilesIn(const std::filesystem::path& folder) {
    return static_cast<std::size_t>(std::distance(std::filesystem::recursive_directory_iterator(folder), {}));
}

// Whether a byte arrives on `fd` within `ms` milliseconds.
bool ByteArrives(int fd, int ms) {
    pollfd ready{fd, POLLIN, 0};
    return ::poll(&ready, 1, ms) == 1;
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
    // The temporary file of a save still running holds a lock on itself.
    test::WriteBytes(dir / "game.rom.quorvex-Live01", {5});
    const int live = ::open((dir / "game.rom.quorvex-Live01").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(live, LOCK_EX), 0);
    SaveFileAtomically(path, std::vector<std::uint8_t>{4});
    ::close(live);
    EXPECT_FALSE(std::filesystem::exists(dir / "game.rom.quorvex-Ab12Cd"));
    EXPECT_TRUE(std::filesystem::exists(dir / "other.rom.quorvex-Ab12Cd")) << "another file's save is not ours";
    EXPECT_TRUE(std::filesystem::exists(dir / "game.rom.quorvex-Live01")) << "a running save lost its temporary file";
}

// Each way a save can be refused, in a child process: root drops to nobody
// there, and a file size limit binds root too, so every case runs in CI.
TEST(FilesTest, FailedSaveLeavesTheOldFileWhole) {
    const std::string folderReason = "Permission denied (the file is saved through a temporary file in this folder)";
    const struct {
        const char* name;
        mode_t fileMode, folderMode;
        rlim_t sizeLimit;  // 0: run as nobody instead
        bool bareName;     // saved as "game.rom" from inside the folder
        bool namesFolder;
        std::string reason;
    } cases[] = {
        {"the file cannot grow", 0644, 0755, 4096, false, false, "File too large"},
        {"read-only file", 0444, 0777, 0, false, false, "Permission denied"},
        {"folder that cannot be written", 0666, 0555, 0, false, true, folderReason},
        {"the same, named from inside it", 0666, 0555, 0, true, true, folderReason},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const auto path = dir / "game.rom";
        test::WriteBytes(path, {1, 2, 3});
        ASSERT_EQ(::chmod(path.c_str(), c.fileMode), 0);
        ASSERT_EQ(::chmod(dir.path().c_str(), c.folderMode), 0);
        const std::string result = InChild([&] {
            if (c.sizeLimit != 0) {
                ::signal(SIGXFSZ, SIG_IGN);
                const rlimit limit{c.sizeLimit, c.sizeLimit};
                if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return std::string("<no limit>");
            } else if (::geteuid() == 0 && ::setresuid(65534, 65534, 65534) != 0) {
                return std::string("<still root>");
            }
            if (c.bareName && ::chdir(dir.path().c_str()) != 0) return std::string("<no chdir>");
            try {
                SaveFileAtomically(c.bareName ? "game.rom" : path, std::vector<std::uint8_t>(100000, 7));
            } catch (const FileError& error) {
                return error.path() + "\n" + error.reason();
            }
            return std::string("saved");
        });
        const auto folder = c.bareName ? std::filesystem::canonical(dir.path()) : dir.path();
        EXPECT_EQ(result, (c.namesFolder ? folder.string() : path.string()) + "\n" + c.reason);
        ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
        EXPECT_EQ(test::ReadBytes(path), (std::vector<std::uint8_t>{1, 2, 3}));
        EXPECT_EQ(FilesIn(dir.path()), 1u) << "temporary file left behind";
    }
}

// Links are created in order as {name, what it points to}; a leading "/"
// stands for the test's folder.
TEST(FilesTest, SaveThroughALinkReplacesTheFileAtTheEndOfTheChain) {
    using Links = std::vector<std::pair<std::string, std::string>>;
    const struct {
        Links links;
        const char* saved;
        const char* target;
    } cases[] = {
        {{{"link.rom", "real.rom"}}, "link.rom", "real.rom"},
        {{{"link.rom", "real.rom"}, {"link2.rom", "link.rom"}}, "link2.rom", "real.rom"},
        {{{"sub/link.rom", "../real.rom"}}, "sub/link.rom", "real.rom"},
        {{{"sub/link.rom", "/real.rom"}}, "sub/link.rom", "real.rom"},
        {{{"new.rom", "sub/made.rom"}}, "new.rom", "sub/made.rom"},  // dangling: the target is made
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.saved);
        TempDir dir;
        std::filesystem::create_directory(dir / "sub");
        test::WriteBytes(dir / "real.rom", {1, 2, 3});
        ASSERT_EQ(::chmod((dir / "real.rom").c_str(), 0640), 0);
        for (const auto& [name, to] : c.links)
            std::filesystem::create_symlink(to.front() == '/' ? dir.path().string() + to : to, dir / name);
        const bool existed = std::filesystem::exists(dir / c.target);

        SaveFileAtomically(dir / c.saved, std::vector<std::uint8_t>{9, 8});
        EXPECT_EQ(test::ReadBytes(dir / c.target), (std::vector<std::uint8_t>{9, 8}));
        for (const auto& [name, to] : c.links) {
            ASSERT_TRUE(std::filesystem::is_symlink(dir / name)) << name << " is no longer a link";
            EXPECT_EQ(std::filesystem::read_symlink(dir / name).string(), to.front() == '/' ? dir.path().string() + to : to);
        }
        struct stat info {};
        ASSERT_EQ(::stat((dir / c.target).c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, existed ? 0640u : 0644u);
        EXPECT_EQ(FilesIn(dir.path()), 2 + c.links.size() + (existed ? 0 : 1)) << "temporary file left behind";
    }
    TempDir dir;
    std::filesystem::create_symlink("b.rom", dir / "a.rom");
    std::filesystem::create_symlink("a.rom", dir / "b.rom");
    try {
        SaveFileAtomically(dir / "a.rom", std::vector<std::uint8_t>{1});
        FAIL() << "a loop of links was saved through";
    } catch (const FileError& error) {
        EXPECT_EQ(error.path(), (dir / "a.rom").string());
        EXPECT_EQ(error.reason(), "Too many levels of symbolic links");
    }
    // A hard link is no link to follow: the saved name gets a new inode, the other keeps the old bytes.
    test::WriteBytes(dir / "c.rom", {1});
    std::filesystem::create_hard_link(dir / "c.rom", dir / "d.rom");
    SaveFileAtomically(dir / "c.rom", std::vector<std::uint8_t>{2});
    EXPECT_EQ(test::ReadBytes(dir / "d.rom"), std::vector<std::uint8_t>{1});
}

// The parent holds the lock; the child's update must wait for it, then wait
// again for a third update that locked the file the parent's save renamed into
// place, and only then read, so the file ends with both parent and child bytes.
TEST(FileLockTest, ASecondUpdateWaitsAndStartsFromTheFirstOnesResult) {
    TempDir dir;
    const auto path = dir / "game.rom";
    test::WriteBytes(path, {'0'});
    int go[2], locked[2];
    ASSERT_EQ(::pipe(go), 0);
    ASSERT_EQ(::pipe(locked), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(go[1]);
        ::close(locked[0]);
        char byte = 0;
        if (::read(go[0], &byte, 1) != 1) ::_exit(2);
        try {
            const FileUpdateLock lock(path);
            if (::write(locked[1], "L", 1) != 1) ::_exit(2);
            std::vector<std::uint8_t> bytes = ReadWholeFile(path);
            bytes.push_back('B');
            SaveFileAtomically(path, bytes);
        } catch (...) {
            ::_exit(1);
        }
        ::_exit(0);
    }
    ::close(go[0]);
    ::close(locked[1]);
    std::optional<FileUpdateLock> first(path);
    ASSERT_EQ(::write(go[1], "G", 1), 1);
    EXPECT_FALSE(ByteArrives(locked[0], 300)) << "the second update did not wait";
    std::vector<std::uint8_t> bytes = ReadWholeFile(path);
    bytes.push_back('A');
    SaveFileAtomically(path, bytes);
    std::optional<FileUpdateLock> third(path);
    first.reset();
    EXPECT_FALSE(ByteArrives(locked[0], 300)) << "the waiting update went on with the lock of a replaced file";
    third.reset();
    EXPECT_TRUE(ByteArrives(locked[0], 10000));
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(test::ReadBytes(path), Bytes("0AB"));
    ::close(go[1]);
    ::close(locked[0]);
}

TEST(FileLockTest, LocksTheFileALinkLeadsToAndRefusesWhatCannotBeRead) {
    TempDir dir;
    test::WriteBytes(dir / "real.rom", {1});
    std::filesystem::create_symlink("real.rom", dir / "link.rom");
    EXPECT_EQ(FileUpdateLock(dir / "link.rom").path(), dir / "real.rom");
    const struct {
        std::filesystem::path path;
        const char* reason;
    } refused[] = {{dir / "missing.rom", "No such file or directory"}, {dir.path(), "Is a directory"}};
    for (const auto& r : refused) {
        try {
            const FileUpdateLock lock(r.path);
            ADD_FAILURE() << r.path << " was locked";
        } catch (const FileError& error) {
            EXPECT_EQ(error.path(), r.path.string());
            EXPECT_EQ(error.reason(), r.reason);
        }
    }
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
