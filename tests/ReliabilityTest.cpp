// Writes that fail part-way and processes killed in the middle of a save:
// the ROM (Insert) and the script (ReDo Script) are always either what they
// were or wholly the new version, and the user is told which file failed.
#include "TestSupport.h"

#include "chartable/CharTable.h"
#include "insert/RedoScript.h"
#include "job/CTextEngine.h"
#include "job/Go.h"
#include "job/Messages.h"
#include "platform/CodePage.h"
#include "platform/FileError.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <thread>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quorvex;
using namespace quorvex::test;
namespace fs = std::filesystem;

namespace {

const std::u16string kTableText = u"41=A\r\n42=B\r\n43=C\r\nFF=[END]\r\n";

// Three 2-byte pointers at 0x10 to the strings AB, AC and BC at 0x100.
std::vector<std::uint8_t> OldRom(std::size_t size) {
    return RomBuilder(size, 0x5A)
        .Put(0x10, {0x00, 0x01, 0x03, 0x01, 0x06, 0x01})
        .Put(0x100, {0x41, 0x42, 0xFF, 0x41, 0x43, 0xFF, 0x42, 0x43, 0xFF})
        .bytes();
}

// Rewrites all three strings with other lengths, so text and pointers change.
std::u16string EditedScript(const char16_t* textEnd = u"13F") {
    return u"Table Start:\t10\r\nTable End:\t15\r\nText Start:\t100\r\nText End:\t" + std::u16string(textEnd) +
           u"\r\nXOffset:\t0\r\n\r\nTable Type:\t0\r\nText Type:\t0\r\n-----------------\r\n"
           u"10\r\nCAB[END]\r\n12\r\nBBBB[END]\r\n14\r\nA[END]\r\n";
}

std::vector<fs::path> FilesIn(const fs::path& folder) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder)) files.push_back(entry.path().filename());
    std::sort(files.begin(), files.end());
    return files;
}

// Runs body in a child process and hands back what it wrote to its pipe.
struct ChildRun {
    int status = -1;
    std::string output;
};

ChildRun RunInChild(const std::function<void(int fd)>& body) {
    int fds[2];
    if (::pipe(fds) != 0) return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        body(fds[1]);
        ::_exit(0);
    }
    ::close(fds[1]);
    ChildRun run;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) run.output.append(buffer, static_cast<std::size_t>(n));
    ::close(fds[0]);
    ::waitpid(child, &run.status, 0);
    return run;
}

void WriteAllTo(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}

// No file may grow past `bytes` in this process: a write beyond it fails as
// on a full disk (EFBIG instead of ENOSPC) rather than killing the process.
void LimitFileSize(rlim_t bytes) {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, bytes};
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

// Root may write any file; the read-only checks have to run as someone who may not.
class AsUnprivilegedUser {
public:
    AsUnprivilegedUser() : m_wasRoot(::geteuid() == 0) {
        if (m_wasRoot && ::seteuid(65534) != 0) ADD_FAILURE() << "cannot drop privileges";
    }
    ~AsUnprivilegedUser() {
        if (m_wasRoot && ::seteuid(0) != 0) std::abort();
    }
    AsUnprivilegedUser(const AsUnprivilegedUser&) = delete;
    AsUnprivilegedUser& operator=(const AsUnprivilegedUser&) = delete;

    // Runs fn with the privileges the test started with.
    void AsBefore(const std::function<void()>& fn) const {
        if (m_wasRoot && ::seteuid(0) != 0) std::abort();
        fn();
        if (m_wasRoot && ::seteuid(65534) != 0) std::abort();
    }

private:
    bool m_wasRoot;
};

// A prompt that runs an action at its first question or its first message.
class HookPrompt : public RecordingPrompt {
public:
    std::function<void()> atQuestion;
    std::function<void()> atMessage;
    void notify(std::u16string_view text) override {
        if (atMessage) std::exchange(atMessage, nullptr)();
        RecordingPrompt::notify(text);
    }
    bool askYesNo(std::u16string_view text) override {
        if (atQuestion) std::exchange(atQuestion, nullptr)();
        return RecordingPrompt::askYesNo(text);
    }
};

class WriteFaults : public ::testing::Test {
protected:
    void SetUp() override {
        romPath = dir / "game.rom";
        original = OldRom(64 * 1024);
        WriteBytes(romPath, original);
    }

    GoState InsertState(const std::u16string& script) {
        GoState state;
        state.romPath = FromUtf8(romPath.string());
        state.insertPath = u"edited.txt";
        state.insertText = &script;
        state.tab = Tab::Insert;
        state.table = &table;
        return state;
    }

    TempDir dir;
    fs::path romPath;
    std::vector<std::uint8_t> original;
    CharTable table = CharTable::FromText(kTableText);
};

TEST_F(WriteFaults, InsertOnAFullDiskKeepsTheRomAndNamesIt) {
    const std::u16string script = EditedScript();
    const ChildRun run = RunInChild([&](int fd) {
        LimitFileSize(16 * 1024);  // the ROM is 64 KiB: its new copy cannot be written
        RecordingPrompt prompt;
        const GoResult result = RunGo(InsertState(script), prompt);
        for (const auto& message : prompt.messages) WriteAllTo(fd, Narrow(message) + "\n");
        ::_exit(result.output ? 1 : 0);  // a failed Insert leaves the output box alone
    });
    ASSERT_TRUE(WIFEXITED(run.status));
    EXPECT_EQ(WEXITSTATUS(run.status), 0);
    EXPECT_EQ(run.output, Narrow(messages::FileErrorMessage(romPath.string(), "File too large")) + "\n");
    EXPECT_EQ(ReadBytes(romPath), original);
    EXPECT_EQ(FilesIn(dir.path()), std::vector<fs::path>{"game.rom"}) << "a temporary file was left behind";

    // With room on the disk the same Insert goes through.
    RecordingPrompt prompt;
    (void)RunGo(InsertState(script), prompt);
    EXPECT_NE(ReadBytes(romPath), original);
    EXPECT_EQ(ReadBytes(romPath).size(), original.size());
}

TEST_F(WriteFaults, ReDoScriptOnAFullDiskKeepsTheScript) {
    // No pointer table and a 32 KiB text area: the new script is a long line of escapes.
    const fs::path scriptPath = dir / "game.txt";
    const std::string oldScript =
        "Table Start:\t0\r\nTable End:\t0\r\nText Start:\t0\r\nText End:\t7FFF\r\nXOffset:\t0\r\n\r\n"
        "Table Type:\t0\r\nText Type:\t0\r\n-----------------\r\nmy own edits\r\n";
    WriteText(scriptPath, oldScript);
    const std::vector<std::uint8_t> before = ReadBytes(scriptPath);

    const ChildRun run = RunInChild([&](int fd) {
        LimitFileSize(4096);
        RecordingPrompt prompt;
        TextDecoding decoding;
        decoding.mode = ReadMode::UTF8;
        try {
            (void)RedoScript(scriptPath, romPath, nullptr, decoding, prompt);
            WriteAllTo(fd, "saved");
        } catch (const FileError& error) {
            WriteAllTo(fd, Narrow(messages::FileErrorMessage(error.path(), error.reason())));
        }
    });
    ASSERT_TRUE(WIFEXITED(run.status));
    EXPECT_EQ(run.output, Narrow(messages::FileErrorMessage(scriptPath.string(), "File too large")));
    EXPECT_EQ(ReadBytes(scriptPath), before);
    EXPECT_EQ(ReadBytes(romPath), original);
    EXPECT_EQ(FilesIn(dir.path()), (std::vector<fs::path>{"game.rom", "game.txt"}));
}

TEST_F(WriteFaults, ARomMadeReadOnlyWhileInsertAsksIsNotReplaced) {
    // Text End 101: the first string already runs over, so Insert asks before it goes on.
    const std::u16string script = EditedScript(u"101");
    fs::permissions(dir.path(), fs::perms::all);
    fs::permissions(romPath, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                 fs::perms::group_write | fs::perms::others_read | fs::perms::others_write);
    HookPrompt prompt;
    prompt.answers = {true, true, true};
    {
        AsUnprivilegedUser guard;
        prompt.atQuestion = [&] {
            guard.AsBefore([&] { fs::permissions(romPath, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read); });
        };
        (void)RunGo(InsertState(script), prompt);
    }
    ASSERT_FALSE(prompt.questions.empty()) << "the over-limit question was never asked";
    ASSERT_FALSE(prompt.messages.empty());
    EXPECT_EQ(prompt.messages.back(), messages::FileErrorMessage(romPath.string(), "Permission denied"));
    EXPECT_EQ(ReadBytes(romPath), original);
    EXPECT_EQ(FilesIn(dir.path()), std::vector<fs::path>{"game.rom"});
}

TEST_F(WriteFaults, AScriptMadeReadOnlyDuringReDoScriptIsNotReplaced) {
    const fs::path scriptPath = dir / "game.txt";
    WriteText(scriptPath,
              "Table Start:\t10\r\nTable End:\t15\r\nText Start:\t100\r\nText End:\t108\r\nXOffset:\t0\r\n\r\n"
              "Table Type:\t0\r\nText Type:\t0\r\n-----------------\r\n10\r\nold\r\n");
    const std::vector<std::uint8_t> before = ReadBytes(scriptPath);
    fs::permissions(dir.path(), fs::perms::all);
    fs::permissions(scriptPath, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                    fs::perms::group_write | fs::perms::others_read | fs::perms::others_write);
    HookPrompt prompt;
    TextDecoding decoding;
    decoding.mode = ReadMode::UTF8;
    bool refused = false;
    {
        AsUnprivilegedUser guard;
        // Extract's "Done" comes after the writability check and before the save.
        prompt.atMessage = [&] {
            guard.AsBefore([&] { fs::permissions(scriptPath, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read); });
        };
        try {
            (void)RedoScript(scriptPath, romPath, &table, decoding, prompt);
        } catch (const FileError& error) {
            refused = error.path() == scriptPath.string();
        }
    }
    EXPECT_TRUE(refused) << "the read-only script was replaced or the error named another file";
    EXPECT_EQ(ReadBytes(scriptPath), before);
    EXPECT_EQ(FilesIn(dir.path()), (std::vector<fs::path>{"game.rom", "game.txt"}));
}

// Insert's save killed at random moments, many times over: each time the ROM
// is the old file or the new one, whole; the next save clears any temporary
// file a killed one left.
TEST(KilledSave, TheRomIsAlwaysOldOrNewAndLeftoversAreClearedNextTime) {
    TempDir dir;
    const fs::path romPath = dir / "game.rom";
    const std::vector<std::uint8_t> oldRom = OldRom(1024 * 1024);
    const CharTable table = CharTable::FromText(kTableText);
    const std::u16string script = EditedScript();
    auto insert = [&] {
        CTextEngine engine;
        engine.settings.longestTextLength = table.longestTextLength();
        RecordingPrompt prompt;
        return engine.Insert(romPath, &table, script, prompt);
    };

    // The new ROM, and how long one Insert takes here.
    WriteBytes(romPath, oldRom);
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(insert());
    const auto duration = std::chrono::steady_clock::now() - started;
    const std::vector<std::uint8_t> newRom = ReadBytes(romPath);
    ASSERT_NE(newRom, oldRom);
    const auto window = std::chrono::duration_cast<std::chrono::microseconds>(duration).count() * 3 / 2 + 1;

    std::mt19937 random(20261206);
    std::uniform_int_distribution<long long> delay(0, window);
    int sawOld = 0, sawNew = 0, sawLeftover = 0;
    constexpr int kRuns = 30;
    for (int run = 0; run < kRuns; ++run) {
        WriteBytes(romPath, oldRom);
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(ready[0]);
            (void)!::write(ready[1], "r", 1);
            insert();
            ::_exit(0);
        }
        ::close(ready[1]);
        char byte = 0;
        (void)!::read(ready[0], &byte, 1);
        ::close(ready[0]);
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);

        const std::vector<std::uint8_t> now = ReadBytes(romPath);
        ASSERT_TRUE(now == oldRom || now == newRom) << "run " << run << ": the ROM is neither the old nor the new file";
        (now == oldRom ? sawOld : sawNew)++;
        if (FilesIn(dir.path()).size() > 1) ++sawLeftover;
    }
    std::printf("killed saves: %d left the old ROM, %d the new one, %d a temporary file\n", sawOld, sawNew,
                sawLeftover);

    WriteBytes(romPath, oldRom);
    ASSERT_TRUE(insert());
    EXPECT_EQ(ReadBytes(romPath), newRom);
    EXPECT_EQ(FilesIn(dir.path()), std::vector<fs::path>{"game.rom"}) << "a killed save's temporary file is still there";
}

}  // namespace
