#include "TestSupport.h"

#include "platform/ByteOrder.h"
#include "platform/CodePage.h"
#include "platform/FileError.h"
#include "platform/FileLock.h"
#include "platform/Files.h"
#include "platform/Numbers.h"
#include "platform/Utf8.h"
#include "job/FindText.h"

#include <gtest/gtest.h>
#include <csignal>
#include <functional>
#include <optional>
#include <random>
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
        const std::string text = body();  // anything it throws ends the child as failed
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

// "path\nreason" of the FileError `body` throws, or "<no error>".
std::string FailureOf(const std::function<void()>& body) {
    try {
        body();
    } catch (const FileError& error) {
        return error.path() + "\n" + error.reason();
    }
    return "<no error>";
}

unsigned ModeOf(const std::filesystem::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
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

TEST(NumbersTest, ScansAndFormatsLikeTheCLibrary) {
    const struct {
        std::u16string_view text;
        std::optional<std::int32_t> asInt, asHex;
    } scans[] = {{u"0X1F", 31, 31},          {u"010", 8, 16},     {u"256", 256, 0x256},   {u"1F", 1, 31},
                 {u"-7FF0", -7, -32752},      {u"  10 trailing", 10, 16}, {u"FFFFFFFF", std::nullopt, -1},
                 {u"", std::nullopt, std::nullopt}, {u"XYZ", std::nullopt, std::nullopt}, {u"G", std::nullopt, std::nullopt}};
    for (const auto& s : scans) {
        EXPECT_EQ(ScanInt(s.text), s.asInt) << test::Narrow(s.text);
        EXPECT_EQ(ScanHex(s.text), s.asHex) << test::Narrow(s.text);
    }
    EXPECT_EQ(FormatHex(0x7F0) + u" " + FormatHex(-32752) + u" " + FormatHex(0), u"7F0 FFFF8010 0");
    EXPECT_EQ(FormatDec(-13) + u" " + FormatHex2(0x0A), u"-13 0A");
    // Table keys in either case.
    std::uint8_t bytes[3] = {};
    EXPECT_EQ(ScanKeyBytes(u"e0E1e2=Potion", bytes), 3);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes, bytes + 3), (std::vector<std::uint8_t>{0xE0, 0xE1, 0xE2}));
    EXPECT_EQ(ScanKeyBytes(u"41=A", bytes), 1);
    EXPECT_EQ(ScanKeyBytes(u"=A", bytes), 0);
}

TEST(CodePageTest, DecodesEachReadModeAndEachFileMark) {
    const TextDecoding ascii{ReadMode::Ascii, "windows-1252"}, utf8{ReadMode::UTF8};
    EXPECT_EQ(DecodeBytes(Bytes("caf\xE9"), ascii), u"caf\u00E9");
    EXPECT_EQ(DecodeBytes(Bytes("caf\xC3\xA9"), utf8), u"caf\u00E9");
    EXPECT_EQ(DecodeBytes(Bytes("1 +- 1"), TextDecoding{ReadMode::UTF7}), u"1 + 1");
    EXPECT_EQ(DecodeBytes(Bytes("\x82\xA0"), TextDecoding{ReadMode::Ascii, "Shift_JIS"}), u"\u3042");
    // The first zero ends the text; invalid bytes are replaced.
    EXPECT_EQ(DecodeBytes(std::vector<std::uint8_t>{'A', 0xFF, 'B', 0, 'C'}, utf8), u"A\uFFFDB");
    EXPECT_TRUE(IsKnownCodePage("windows-1252"));
    EXPECT_FALSE(IsKnownCodePage("no-such-code-page"));
    EXPECT_THROW((void)DecodeBytes(Bytes("A"), TextDecoding{ReadMode::Ascii, "no-such-code-page"}),
                 std::invalid_argument);

    // Text files get CR LF and lose their byte-order mark; a UTF-16 mark wins over the mode.
    EXPECT_EQ(DecodeTextFile(Bytes("\xEF\xBB\xBF" "41=A\n42=B\r\n43=C\n"), utf8), u"41=A\r\n42=B\r\n43=C\r\n");
    EXPECT_EQ(DecodeTextFile(std::vector<std::uint8_t>{0xFF, 0xFE, '4', 0, '1', 0, '=', 0, 'A', 0, '\n', 0}, utf8),
              u"41=A\r\n");
    EXPECT_EQ(DecodeTextFile(std::vector<std::uint8_t>{0xFE, 0xFF, 0, 'A', 0x30, 0x42}, ascii), u"A\u3042");
    const std::u16string text = u"Potion \u3042 \U0001F600\r\n";
    EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
}

// The hand-written UTF-8 against ICU on random files and texts: a file read
// by hand reads as ICU reads it, and only ill-formed files are left to ICU;
// text written by hand reads back through ICU as itself.
TEST(Utf8Test, AgreesWithIcu) {
    const std::string_view wellFormed[] = {"a", "\n", "\r\n", "\r", "\xC3\xA4", "\xE5\xB9\x8C", "\xF0\x9F\x98\x80",
                                           "\xEF\xBB\xBF", "\x7F", "\xEF\xBF\xBF", std::string_view("\0", 1),
                                           "Potion", " of ", "healing ~"};
    const std::string_view illFormed[] = {"\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE5\xB9", "\x80", "\xFF"};
    const char16_t units[] = {u'a', u'\r', u'\n', 0xE4, 0x5E4C, 0xD83D, 0xDE00, 0xFFFF};
    std::mt19937 rng(11);
    int readByHand = 0;
    for (int round = 0; round < 4000; ++round) {
        std::string file;
        bool valid = true;
        for (std::size_t n = rng() % 24; n > 0; --n) {
            valid = valid && rng() % 32 != 0;
            file += valid ? wellFormed[rng() % std::size(wellFormed)] : illFormed[rng() % std::size(illFormed)];
        }
        const std::vector<std::uint8_t> bytes(file.begin(), file.end());
        std::u16string viaIcu = DecodeBytes(bytes, TextDecoding{ReadMode::UTF8});
        if (!viaIcu.empty() && viaIcu.front() == u'\uFEFF') viaIcu.erase(0, 1);
        for (std::size_t i = 0; i < viaIcu.size(); ++i)
            if (viaIcu[i] == u'\n' && (i == 0 || viaIcu[i - 1] != u'\r')) viaIcu.insert(i++, 1, u'\r');
        const auto byHand = DecodeUtf8TextFile(bytes);
        if (valid) {
            ASSERT_TRUE(byHand) << file;
        }
        if (byHand) {
            ASSERT_EQ(*byHand, viaIcu) << file;
        }
        EXPECT_EQ(DecodeTextFile(bytes, TextDecoding{ReadMode::UTF8}), viaIcu) << file;
        readByHand += byHand.has_value();

        std::u16string text, unpairedReplaced;
        for (std::size_t n = rng() % 12; n > 0; --n) text += units[rng() % std::size(units)];
        for (std::size_t i = 0; i < text.size(); ++i) {
            const bool high = text[i] >= 0xD800 && text[i] <= 0xDBFF, low = text[i] >= 0xDC00 && text[i] <= 0xDFFF;
            if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
                unpairedReplaced += text.substr(i++, 2);
                continue;
            }
            unpairedReplaced += high || low ? u'\uFFFD' : text[i];
        }
        ASSERT_EQ(FromUtf8(EncodeUtf8(text)), unpairedReplaced) << test::Narrow(text);
    }
    EXPECT_GT(readByHand, 2000);
}

// The byte search for one character against the plain one, where the
// character's byte stands in other characters too.
TEST(FindTextTest, FindsWhatThePlainSearchFinds) {
    const char16_t units[] = {u'\r', u'a', 0x540D, 0x0D0D, 0x0D41, u'\n'};
    std::mt19937 rng(3);
    for (int round = 0; round < 2000; ++round) {
        std::u16string text;
        for (std::size_t n = rng() % 24; n > 0; --n) text += units[rng() % std::size(units)];
        for (std::size_t from = 0; from <= text.size() + 1; ++from)
            ASSERT_EQ(FindCharacter(text, u'\r', from), text.find(u'\r', from)) << test::Narrow(text) << " " << from;
        std::u16string pattern = text.substr(rng() % (text.size() + 1), rng() % 4);
        if (!pattern.empty() && rng() % 3 == 0) pattern.back() = units[rng() % std::size(units)];  // often found nowhere
        const auto expected = pattern.empty() ? std::u16string::npos : text.find(pattern);
        ASSERT_EQ(FindText(text, pattern), expected == std::u16string::npos ? -1 : static_cast<long long>(expected));
    }
}

TEST(FilesTest, AMissingFileIsNamedAndASaveKeepsThePermissions) {
    TempDir dir;
    EXPECT_EQ(FailureOf([&] { (void)ReadWholeFile(dir / "missing.rom"); }),
              (dir / "missing.rom").string() + "\nNo such file or directory");
    EXPECT_THROW((void)ReadWholeFile(dir.path()), FileError);
    const auto path = dir / "game.rom";
    test::WriteBytes(path, {1, 2, 3});
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    SaveFileAtomically(path, test::Bytes{9, 8});
    EXPECT_EQ(test::ReadBytes(path), (test::Bytes{9, 8}));
    EXPECT_EQ(ModeOf(path), 0640u);
    EXPECT_EQ(FilesIn(dir.path()), 1u) << "temporary file left behind";
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
    SaveFileAtomically(path, test::Bytes{4});
    ::close(live);
    // Another file's leftover is not ours; a running save keeps its temporary file.
    EXPECT_EQ(dir.Files(), (std::vector<std::string>{"game.rom", "game.rom.quorvex-Live01", "other.rom.quorvex-Ab12Cd"}));
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
            return FailureOf([&] { SaveFileAtomically(c.bareName ? "game.rom" : path, test::Bytes(100000, 7)); });
        });
        const auto folder = c.bareName ? std::filesystem::canonical(dir.path()) : dir.path();
        EXPECT_EQ(result, (c.namesFolder ? folder.string() : path.string()) + "\n" + c.reason);
        ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
        EXPECT_EQ(test::ReadBytes(path), (test::Bytes{1, 2, 3}));
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
        SaveFileAtomically(dir / c.saved, test::Bytes{9, 8});
        EXPECT_EQ(test::ReadBytes(dir / c.target), (test::Bytes{9, 8}));
        for (const auto& [name, to] : c.links) {
            ASSERT_TRUE(std::filesystem::is_symlink(dir / name)) << name << " is no longer a link";
            EXPECT_EQ(std::filesystem::read_symlink(dir / name).string(), to.front() == '/' ? dir.path().string() + to : to);
        }
        EXPECT_EQ(ModeOf(dir / c.target), existed ? 0640u : 0644u);
        EXPECT_EQ(FilesIn(dir.path()), 2 + c.links.size() + (existed ? 0 : 1)) << "temporary file left behind";
    }
    TempDir dir;
    std::filesystem::create_symlink("b.rom", dir / "a.rom");
    std::filesystem::create_symlink("a.rom", dir / "b.rom");
    EXPECT_EQ(FailureOf([&] { SaveFileAtomically(dir / "a.rom", test::Bytes{1}); }),
              (dir / "a.rom").string() + "\nToo many levels of symbolic links");
    // A hard link is no link to follow: the saved name gets a new inode, the other keeps the old bytes.
    test::WriteBytes(dir / "c.rom", {1});
    std::filesystem::create_hard_link(dir / "c.rom", dir / "d.rom");
    SaveFileAtomically(dir / "c.rom", test::Bytes{2});
    EXPECT_EQ(test::ReadBytes(dir / "d.rom"), test::Bytes{1});
}

// The parent holds the lock; the child's update must wait for it, then wait
// again for a third update that locked the file the parent's save renamed into
// place, and only then read, so the file ends with both parent and child bytes.
TEST(FileLockTest, ASecondUpdateWaitsAndStartsFromTheFirstOnesResult) {
    TempDir dir;
    const auto path = dir / "game.rom";
    test::WriteBytes(path, {'0'});
    const auto append = [&](std::uint8_t byte) {
        test::Bytes bytes = ReadWholeFile(path);
        bytes.push_back(byte);
        SaveFileAtomically(path, bytes);
    };
    int go[2], locked[2];
    ASSERT_EQ(::pipe(go) | ::pipe(locked), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        char byte = 0;
        if (::read(go[0], &byte, 1) != 1) ::_exit(2);
        try {
            const FileUpdateLock lock(path);
            if (::write(locked[1], "L", 1) != 1) ::_exit(2);
            append('B');
        } catch (...) {
            ::_exit(1);
        }
        ::_exit(0);
    }
    std::optional<FileUpdateLock> first(path);
    ASSERT_EQ(::write(go[1], "G", 1), 1);
    EXPECT_FALSE(ByteArrives(locked[0], 300)) << "the second update did not wait";
    append('A');
    std::optional<FileUpdateLock> third(path);
    first.reset();
    EXPECT_FALSE(ByteArrives(locked[0], 300)) << "the waiting update went on with the lock of a replaced file";
    third.reset();
    EXPECT_TRUE(ByteArrives(locked[0], 10000));
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(test::ReadBytes(path), Bytes("0AB"));
    for (const int fd : {go[0], go[1], locked[0], locked[1]}) ::close(fd);
}

TEST(FileLockTest, LocksTheFileALinkLeadsToAndRefusesWhatCannotBeRead) {
    TempDir dir;
    test::WriteBytes(dir / "real.rom", {1});
    std::filesystem::create_symlink("real.rom", dir / "link.rom");
    EXPECT_EQ(FileUpdateLock(dir / "link.rom").path(), dir / "real.rom");
    EXPECT_EQ(FailureOf([&] { FileUpdateLock lock(dir / "missing.rom"); }),
              (dir / "missing.rom").string() + "\nNo such file or directory");
    EXPECT_EQ(FailureOf([&] { FileUpdateLock lock(dir.path()); }), dir.path().string() + "\nIs a directory");
}

TEST(ByteOrderTest, ReadsAndWritesEachOrder) {
    const std::vector<std::uint8_t> bytes = {0x10, 0x80, 0x01, 0x00};
    EXPECT_EQ(ReadU16Le(bytes, 0), 0x8010u);
    EXPECT_EQ(ReadLe(bytes, 0, 3), 0x018010u);
    EXPECT_EQ(ReadBe(bytes, 0, 4), 0x10800100u);
    EXPECT_FALSE(ReadU32Le(bytes, 1));
    std::vector<std::uint8_t> image(4, 0);
    EXPECT_TRUE(WriteBe(image, 0, 4, 0x00018010));
    EXPECT_EQ(image, (std::vector<std::uint8_t>{0x00, 0x01, 0x80, 0x10}));
    EXPECT_FALSE(WriteLe(image, 3, 2, 0xFFFF));
    EXPECT_EQ(image[3], 0x10);
}
