// The command layer: GO, ReDo Script, and what every command does with files
// it cannot use or save: a file is always either what it was or wholly the new
// version, and the message names the file that failed. And the command line:
// its exit codes and the texts it prints.
#include "commands/CommandResult.h"
#include "commands/Go.h"
#include "job/Messages.h"
#include "platform/FileLock.h"
#include "platform/Files.h"

#include "ScriptBuilders.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <regex>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace quorvex {
namespace {

using namespace test;
using namespace commands;
namespace fs = std::filesystem;
using Messages = std::vector<Message>;
using Names = std::vector<std::string>;

TEST(CommandsTest, EveryExceptionBecomesAMessageAndFailure) {
    const CommandResult outOfMemory = Guarded([]() -> CommandResult { throw std::bad_alloc(); });
    EXPECT_EQ(outOfMemory.exit, ExitClass::Failed);
    ASSERT_EQ(outOfMemory.messages.size(), 1u);
    EXPECT_EQ(outOfMemory.messages[0].text, u"Out of memory: the command was stopped and nothing was written.");
    EXPECT_EQ(outOfMemory.messages[0].severity, Severity::Critical);

    const CommandResult unexpected = Guarded([]() -> CommandResult { throw std::runtime_error("bad converter"); });
    EXPECT_EQ(unexpected.exit, ExitClass::Failed);
    ASSERT_EQ(unexpected.messages.size(), 1u);
    EXPECT_EQ(unexpected.messages[0].text,
              u"Something went wrong (bad converter): the command was stopped and nothing was written.");
}

const CharTable kTable = CharTable::FromText(u"41=A\r\n42=B\r\n43=C\r\nFF=[END]\r\n");
const TextDecoding kUtf8{ReadMode::UTF8, "windows-1252"};
// Three pointers at 0x10 to the strings AB, AC and BC at 0x100; the edited
// script rewrites all three with other lengths, 53 bytes short of its area.
Bytes OldRom(std::size_t size) {
    const Bytes strings = {0x41, 0x42, 0xFF, 0x41, 0x43, 0xFF, 0x42, 0x43, 0xFF};
    return RomBuilder(size, 0x5A).Put(0x10, {0, 1, 3, 1, 6, 1}).Put(0x100, strings).bytes();
}
const std::u16string kEdited = Script(Job(0x10, 0x15, 0x100, 0x13F), TableType::Regular2, TextType::Regular,
                                      Lines({u"10", u"CAB[END]", u"12", u"BBBB[END]", u"14", u"A[END]"}));

Messages FileFailure(const fs::path& path, std::string_view reason) {
    return {{Severity::Critical, messages::FileErrorMessage(path.string(), reason)}};
}

TEST(GoTest, RefusesWithoutTheRomOrTheInsertFile) {
    const std::tuple<Tab, std::u16string, std::filesystem::path, std::u16string_view> cases[] = {
        {Tab::Extract, u"", "s.txt", messages::kNoRom}, {Tab::Insert, u"", "s.txt", messages::kNoRom},
        {Tab::Insert, u"game.rom", "", messages::kNoInsertFile}, {Tab::CheckInsert, u"", "", messages::kNoInsertFile}};
    for (const auto& [tab, rom, insert, message] : cases) {
        RecordingPrompt prompt;
        GoState state;
        std::tie(state.tab, state.romPath, state.insertFile.path) = std::tie(tab, rom, insert);
        const CommandResult go = RunGo(state, prompt);
        EXPECT_FALSE(go.output);
        EXPECT_EQ(go.messages, (Messages{{Severity::Warning, std::u16string(message)}}));
        EXPECT_EQ(go.exit, ExitClass::Failed);
    }
}

TEST(GoTest, RunsEachTabThroughItsCommand) {
    TempDir dir;
    WriteBytes(dir / "game.rom", OldRom(0x140));
    WriteText(dir / "edited.txt", Narrow(kEdited));
    GoState state;
    state.romPath = FromUtf8((dir / "game.rom").string());
    state.table.held = &kTable;
    RecordingPrompt prompt;
    // Extract reads the fields in the chosen base.
    state.hex = false;
    state.fields = {u"16", u"21", u"256", u"264", u"", u""};
    CommandResult go = RunGo(state, prompt);
    EXPECT_EQ(Body(go.output.value_or(u"")), u"10\r\nAB[END]\r\n12\r\nAC[END]\r\n14\r\nBC[END]\r\n");
    EXPECT_EQ(go.messages, (Messages{{Severity::Information, u"Done"}}));
    // Check Insert needs no ROM and reads the named insert file when none is held.
    state.tab = Tab::CheckInsert;
    state.romPath.clear();
    state.insertFile.path = dir / "edited.txt";
    state.decoding = kUtf8;
    go = RunGo(state, prompt);
    EXPECT_TRUE(go.output.value_or(u"").ends_with(u"You are 53 bytes under the original text limit!"));
    // Insert empties the output box, unless a file failed.
    state.tab = Tab::Insert;
    state.romPath = FromUtf8((dir / "missing.rom").string());
    go = RunGo(state, prompt);
    EXPECT_EQ(go.messages, FileFailure(dir / "missing.rom", "No such file or directory"));
    EXPECT_FALSE(go.output);
    state.romPath = FromUtf8((dir / "game.rom").string());
    go = RunGo(state, prompt);
    EXPECT_EQ(go.output, u"");
    EXPECT_EQ(go.messages, (Messages{{Severity::Information, messages::EndedLeftOver(53)}}));
    EXPECT_NE(ReadBytes(dir / "game.rom"), OldRom(0x140));
    EXPECT_EQ(dir.Files(), (Names{"edited.txt", "game.rom"})) << "Insert never creates a ROM";
}

// A held copy is used only while its stamp says the file is as it was read;
// after an edit on disk the command reads the file again.
TEST(InputFileTest, AHeldCopyGivesWayToTheFileOnceItChanged) {
    TempDir dir;
    const std::u16string held = kEdited;
    const std::u16string edited = Script(Job(0x10, 0x15, 0x100, 0x101), TableType::Regular2, {}, Body(kEdited));
    WriteText(dir / "edited.txt", Narrow(held));
    const std::optional<HeldFile> stamp = HeldFile::Stamp(dir / "edited.txt");
    ASSERT_TRUE(stamp);
    const CheckRequest request{{}, {{}, &kTable}, {dir / "edited.txt", &held, &*stamp}, kUtf8};
    EXPECT_EQ(CheckInsert(request).exit, ExitClass::Ok);
    WriteText(dir / "edited.txt", Narrow(edited));
    EXPECT_EQ(CheckInsert(request).exit, ExitClass::Over) << "the file on disk, not the held copy, was measured";
}

// Two inserts into one ROM at once: the second waits for the first's save and
// starts from its result, instead of renaming its own image over it.
TEST(CommandsTest, AnInsertWaitsForTheRomsUpdateLockAndReadsWhatItFinds) {
    TempDir dir;
    const fs::path rom = dir / "game.rom";
    WriteBytes(rom, OldRom(0x200));
    // The child starts before the lock is taken, so that it does not inherit it.
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        char go = 0;
        if (read(ready[0], &go, 1) != 1) std::_Exit(2);
        RecordingPrompt prompt;
        std::_Exit(commands::Insert({rom, {{}, &kTable}, {{}, &kEdited}}, prompt).ok() ? 0 : 1);
    }
    std::optional<FileUpdateLock> held(rom);
    ASSERT_EQ(write(ready[1], "!", 1), 1);
    // While the child waits, another update saves a byte outside the text area.
    usleep(300'000);
    Bytes changed = OldRom(0x200);
    changed[0x1F0] = 0x99;
    SaveFileAtomically(rom, changed);
    held.reset();
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const Bytes after = ReadBytes(rom);
    EXPECT_EQ(after[0x1F0], 0x99);                                       // the other update survived
    EXPECT_EQ(Bytes(after.begin() + 0x100, after.begin() + 0x104), (Bytes{0x43, 0x41, 0x42, 0xFF}));  // and the insert
}

TEST(CommandsTest, FilesThatCannotBeUsedAreFileErrorsNamingThem) {
    TempDir dir;
    const fs::path missing = dir / "missing.rom", rom = dir / "game.rom", script = dir / "game.txt";
    const FrozenFile romFile(rom, OldRom(0x140)), scriptFile(script, Narrow(kEdited));
    const std::u16string huffman = Script(Job(0, 0, 0, 1, 0, 0x40), TableType::Regular2, TextType::HuffmanV2, u"A");
    const auto none = [](const fs::path& path) { return FileFailure(path, "No such file or directory"); };
    RecordingPrompt prompt;
    const std::pair<CommandResult, Messages> cases[] = {
        // The ROM is read first, even for a job that would read nothing from it.
        {Extract({missing, {}, {}, Job(0, 0, 0x10, 0), TableType::Scattered4, {}, {}}), none(missing)},
        {Insert({missing, {{}, &kTable}, {{}, &kEdited}}, prompt), none(missing)},
        {Insert({dir.path(), {{}, &kTable}, {{}, &kEdited}}, prompt), FileFailure(dir.path(), "Is a directory")},
        {CheckInsert({missing, {{}, &kTable}, {{}, &huffman}}), none(missing)},
        {LoadTable(dir / "gone.tbl", kUtf8).result, none(dir / "gone.tbl")},
        {LoadScript(dir / "gone.txt", kUtf8).result, none(dir / "gone.txt")},
        {RedoScript({dir / "gone.txt", rom, {{}, &kTable}, kUtf8}).result, none(dir / "gone.txt")},
        {RedoScript({script, missing, {{}, &kTable}, kUtf8}).result, none(missing)},
    };
    for (const auto& [result, expected] : cases) {
        EXPECT_EQ(result.messages, expected);
        EXPECT_EQ(result.exit, ExitClass::Failed);
        EXPECT_FALSE(result.output);
    }
    // Read-only files are refused before any work; root may write any file, so this runs as nobody.
    fs::permissions(dir.path(), fs::perms::all);
    fs::permissions(rom, fs::perms::owner_read | fs::perms::others_read);
    fs::permissions(script, fs::perms::owner_read | fs::perms::others_read);
    {
        AsUnprivilegedUser nobody;
        // Text that runs over its area: Insert would ask, had it not refused the ROM first.
        const std::u16string over = Script(Job(0x10, 0x15, 0x100, 0x101), TableType::Regular2, {}, Body(kEdited));
        EXPECT_EQ(Insert({rom, {{}, &kTable}, {{}, &over}}, prompt).messages, FileFailure(rom, "Permission denied"));
        EXPECT_EQ(RedoScript({script, rom, {{}, &kTable}, kUtf8}).result.messages, FileFailure(script, "Permission denied"));
    }
    EXPECT_TRUE(prompt.questions.empty());
    EXPECT_TRUE(romFile.Unchanged() && scriptFile.Unchanged());
    EXPECT_EQ(dir.Files(), (Names{"game.rom", "game.txt"}));
}

TEST(CommandsTest, AFileThatIsNotAScriptIsABadFileForEveryCommand) {
    const std::u16string good = kEdited;
    std::u16string utf16;  // read as UTF-8, a UTF-16 file without a byte-order mark is no script
    for (const char16_t c : good) utf16 += {static_cast<char16_t>(c & 0xFF), u'\0'};
    const std::u16string cases[] = {
        u"Table Start: 10\r\n" + Body(good),               // a space for the tab
        good.substr(0, good.find(u"-----")) + Body(good),  // no dash line
        utf16,
    };
    TempDir dir;
    const FrozenFile rom(dir / "game.rom", OldRom(0x140));
    for (const auto& script : cases) {
        RecordingPrompt prompt;
        const FrozenFile file(dir / "game.txt", Narrow(script));
        EXPECT_EQ(Insert({rom.path(), {{}, &kTable}, {{}, &script}}, prompt).messages,
                  (Messages{{Severity::Warning, u"THIS IS A BAD FILE!"}}));
        const CommandResult check = CheckInsert({rom.path(), {{}, &kTable}, {{}, &script}});
        EXPECT_EQ(check.output, u"Bad File!");
        EXPECT_EQ(check.exit, ExitClass::Failed);
        const RedoOutcome redo = RedoScript({file.path(), rom.path(), {{}, &kTable}, kUtf8});
        EXPECT_EQ(redo.result.messages, (Messages{{Severity::Warning, u"BAD FILE!"}}));
        EXPECT_EQ(redo.badFileText, script.substr(0, script.find(u'\0')));  // read up to the first zero byte
        EXPECT_TRUE(file.Unchanged() && rom.Unchanged());
    }
}

TEST(RedoScriptTest, SavesTheFreshScriptAsUtf8WithOneTrailingZero) {
    TempDir dir;
    const Bytes strings = {0x43, 0x61, 0x66, 0xE9, 0xFF, 0x41, 0x42, 0xFF};
    WriteBytes(dir / "game.rom", RomBuilder(0x200, 0xCC).Put(0x10, {0, 1, 5, 1}).Put(0x100, strings).bytes());
    const CharTable table = CharTable::FromText(u"41=A\r\n42=B\r\n43=C\r\n61=a\r\n66=f\r\nE9=\u00E9\r\nFF=[END]\r\n");
    const std::string header = "Table Start:\t10\r\nTable End:\t13\r\nText Start:\t100\r\nText End:\t107\r\nXOffset:\t0\r\n";
    // A stale body; without a "Table Type:" line the types are Regular2 and Regular, even with a Text Type line.
    for (const std::string types : {"\r\nTable Type:\t0\r\nText Type:\t0\r\n", "Text Type:\t2\r\n"}) {
        WriteText(dir / "game.txt", header + types + "-----------------\r\n10\r\nOld text\r\n");
        const RedoOutcome redo = RedoScript({dir / "game.txt", dir / "game.rom", {{}, &table}, {ReadMode::UTF7, "windows-1252"}});
        const std::u16string expected = FromUtf8(header) + u"\r\nTable Type:\t0\r\nText Type:\t0\r\n-----------------\r\n"
                                                           u"10\r\nCaf\u00E9[END]\r\n12\r\nAB[END]\r\n";
        EXPECT_EQ(redo.result.output, expected);
        EXPECT_EQ(redo.result.messages, (Messages{{Severity::Information, u"Done"}}));
        EXPECT_EQ(std::tie(redo.tableType, redo.textType), std::tuple(TableType::Regular2, TextType::Regular));
        // The accent is written as UTF-8 although the file was read as UTF-7.
        EXPECT_EQ(ReadString(dir / "game.txt"), ToUtf8(expected) + std::string(1, '\0'));
    }
}

TEST(RedoScriptTest, TheJobComesFromTheHeader) {
    TempDir dir;
    const auto redo = [&](const Bytes& rom, std::string_view ends, std::string_view types) {
        WriteBytes(dir / "game.rom", rom);
        WriteText(dir / "game.txt", "Table Start:\t10\r\nTable End:\t" + std::string(ends) + "\r\nXOffset:\t0\r\n\r\n" +
                                        std::string(types) + "-----------------\r\n");
        return RedoScript({dir / "game.txt", dir / "game.rom", {}, kUtf8});
    };
    const std::string_view ends = "12\r\nText Start:\t100\r\nText End:\t105";
    // Scattered: the command's length from the HuffTable value (FF00 is the ROM bytes
    // 00 FF); without the line there is no command and the whole area is one string.
    const Bytes scattered = RomBuilder(0x200, 0xCC).Put(0x100, {0x41, 0x00, 0xFF, 0x00, 0xFF, 0x42}).bytes();
    const RedoOutcome command = redo(scattered, ends, "Table Type:\t2\r\nText Type:\t0\r\nHuffTable:\tFF00\r\n");
    EXPECT_EQ(std::tie(command.tableType, command.textType), std::tuple(TableType::Scattered2, TextType::Regular));
    EXPECT_EQ(Body(command.result.output.value_or(u"")), u"(100)\r\n<41><00><FF>\r\n(103)\r\n<00><FF>\r\n(105)\r\n<42>\r\n");
    EXPECT_EQ(Body(redo(scattered, ends, "Table Type:\t2\r\nText Type:\t0\r\n").result.output.value_or(u"")),
              u"(100)\r\n<41><00><FF><00><FF><42>\r\n");
    // A refused job saves nothing: 65,536 two-byte pointers are one more than a table holds.
    const RedoOutcome tooMany = redo(Bytes(0x20100), "2000F\r\nText Start:\t20010\r\nText End:\t200FF", "");
    EXPECT_EQ(tooMany.result.messages, (Messages{{Severity::Warning, std::u16string(messages::kTooManyEntries)}}));
    EXPECT_EQ(ReadString(dir / "game.txt"), "Table Start:\t10\r\nTable End:\t2000F\r\nText Start:\t20010\r\nText End:\t200FF\r\n"
                                            "XOffset:\t0\r\n\r\n-----------------\r\n");
}

const std::string kScript =
    "Table Start:\t10\r\nTable End:\t16\r\nText Start:\t810\r\nText End:\t815\r\nXOffset:\t7F0\r\n\r\n"
    "Table Type:\t0\r\nText Type:\t0\r\n-----------------\r\n10\r\nAB[END]\r\n12 r14\r\n14\r\nA<43>[END]\r\n";

struct Outcome {
    int exit = -1;
    std::string out, err;
};

// quorvex-cli as a build script runs it, on the three-pointer ROM of the script
// above and its table in a fresh folder.
class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        const Bytes strings = {0x41, 0x42, 0xFF, 0x41, 0x43, 0xFF};
        WriteBytes(dir / "game.rom", RomBuilder(0x900).Put(0x10, {0x20, 0, 0x23, 0, 0x23, 0}).Put(0x810, strings).bytes());
        WriteText(dir / "game.tbl", "41=A\r\n42=B\r\nFF=[END]\r\nE0=\xF0\x9F\x98\x80\r\n");
        WriteText(dir / "fits.txt", kScript);
        WriteText(dir / "over.txt", "Table Start:\t10\nTable End:\t16\nText Start:\t810\nText End:\t815\nXOffset:\t7F0\n\n"
                                    "Table Type:\t0\nText Type:\t0\n-----------------\n10\nABABAB[END]\n12 r14\n14\nA[END]\n");
    }
    // Runs quorvex-cli with the arguments (quoted where needed), stdin from /dev/null.
    Outcome Cli(const std::string& arguments) const {
        const std::string command = std::string(QUORVEX_CLI_PATH) + " " + arguments + " < /dev/null > " + Path("out") +
                                    " 2> " + Path("err");
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadString(dir / "out"), ReadString(dir / "err")};
    }
    [[nodiscard]] std::string Path(const char* name) const {
        std::string quoted(1, '\'');
        return quoted.append((dir / name).string()).append(1, '\'');
    }

    TempDir dir;
    const std::string rom = " --rom " + Path("game.rom");
    const std::string table = " --table " + Path("game.tbl");
    const std::string job = " --table-start 10 --table-end 16 --text-start 810 --text-end 815 --x-offset 7f0";
};

// Each expected text is the whole of stdout or stderr; with a leading "~" a part of it.
void ExpectText(const std::string& actual, const std::string& expected) {
    if (expected.starts_with('~')) EXPECT_NE(actual.find(expected.substr(1)), std::string::npos) << actual;
    else EXPECT_EQ(actual, expected);
}

TEST_F(CliTest, EveryOutcomeHasItsExitCodeAndTexts) {
    WriteText(dir / "stale.txt",
        "Table Start:\t10\nTable End:\t16\nText Start:\t810\nText End:\t815\nXOffset:\t7F0\n-----------------\nold\n");
    const Bytes original = ReadBytes(dir / "game.rom");
    const std::string report = "Text Starts at 810 and ends at 815 (6 bytes)\r\nDone.\r\n\r\nTotal length: ";
    const std::string over = "You are 1 bytes over the end text limit!\nContinue? no";
    // The walk stopped after one byte too many; the whole script is what Check Insert measures.
    const std::string notChanged = "You ended with going 1 bytes over the original text limit!\nThe ROM was not changed.\n"
                                   "The whole script is 3 bytes over the original text limit.\n";
    const struct {
        std::string arguments;
        int exit;
        std::string err;
        std::string out = "";
    } cases[] = {
        // Done, or measured and it fits: 0.
        {"extract" + rom + table + job, 0, "Done\n", kScript},
        {"extract" + rom + table + " --dec --table-type regular2 --text-type REGULAR --table-start 16 --table-end 22"
         " --text-start 2064 --text-end 2069 --x-offset 2032 -o " + Path("new.txt"), 0, "Done\n"},
        {"redo" + rom + table + " " + Path("stale.txt"), 0, "Done\n", kScript},
        // Huffman text through a Scattered layout reads no code: said, and the job runs.
        {"extract" + rom + " --table-type Scattered2 --text-type HuffmanV1 --text-start 810 --text-end 815 --ed-cmnd FF", 0,
         "~TextSel can't be 1 or 2 while TableSel is 2 or 6!\n", "~"},
        {"check" + table + " " + Path("fits.txt"), 0, "", report + "6 (x6) bytes\r\nThe text fits perfectly!"},
        {"test" + table + " ABBA", 0, "",
         "Text Starts at 0 and ends at 3 (4 bytes)\r\nDone.\r\n\r\nTotal length: 4 (x4) bytes\r\nThe text fits perfectly!"},
        // Measured and over: 3.
        {"check" + table + " " + Path("over.txt"), 3, "",
         report + "9 (x9) bytes\r\nYou are 3 bytes over the original text limit!"},
        // Requests that cannot be read: 2.
        {"", 2, "~", "~"}, {"frobnicate", 2, "~", "~"}, {"extract", 2, "~--rom is required", "~"},
        {"extract" + rom + " --table-type 9", 2, "Unknown table type \"9\".\n"},
        {"extract" + rom + table + " --read-mode utf16", 2, "--read-mode must be ascii, utf7 or utf8, not \"utf16\".\n"},
        {"test" + table + " --read-mode ascii --code-page klingon AB", 2, "The code page \"klingon\" is not known.\n"},
        {"insert" + rom + " --yes --no " + Path("over.txt"), 2, "~", "~"},
        // Refused, stopped, unreadable: 1, and nothing written.
        {"extract --rom " + Path("missing.rom"), 1,
         "File error: \"" + (dir / "missing.rom").string() + "\" could not be used: No such file or directory.\n"},
        {"extract" + rom + " --table " + Path("no.tbl"), 1,
         "File error: \"" + (dir / "no.tbl").string() + "\" could not be used: No such file or directory.\n"},
        {"check " + Path("fits.txt"), 1, "", "~Line 11: without a table"},
        {"test" + table + " A", 1, "You can't run this without some input text!\n"},
        // Where the unknown character is: line 1 of the typed text, columns in characters.
        {"test" + table + " A\xF0\x9F\x98\x80" "Bx", 1, "",
         "Text Starts at 0 and ends at 4 (5 bytes)\r\nUnexpected letter/word found\r\n\r\nx\r\nLine 1, column 4.\r\n"},
        {"insert" + rom + table + " --no " + Path("over.txt"), 1, over + "\n" + notChanged},
        {"insert" + rom + table + " " + Path("over.txt"), 1,
         over + " (not asked: standard input is not a terminal)\n" + notChanged},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const Outcome run = Cli(c.arguments);
        EXPECT_EQ(run.exit, c.exit) << run.err;
        ExpectText(run.err, c.err);
        ExpectText(run.out, c.out);
    }
    EXPECT_EQ(ReadString(dir / "new.txt"), kScript);
    EXPECT_EQ(ReadString(dir / "stale.txt"), kScript + std::string(1, '\0')) << "ReDo saves UTF-8 and one zero byte";
    EXPECT_EQ(ReadBytes(dir / "game.rom"), original);
    const Outcome forced = Cli("insert" + rom + table + " --yes " + Path("over.txt"));
    EXPECT_EQ(forced.err, "You are 1 bytes over the end text limit!\nContinue? yes\n"
                          "You ended with going 3 bytes over the original text limit!\n");
    EXPECT_EQ(forced.exit, 0);
    EXPECT_NE(ReadBytes(dir / "game.rom"), original);
}

// The demo's table in the notation shared tables use reads the demo as the
// plain one does; the lines it cannot read are told once.
TEST_F(CliTest, ATableWithPrefixedLinesReadsTheDemoAsThePlainOne) {
    const std::string examples = std::string(QUORVEX_SOURCE_DIR) + "/examples/";
    std::string prefixed = ReadString(examples + "demo.tbl");
    prefixed.replace(prefixed.find("FE=[LINE]"), 9, "*FE");
    prefixed.replace(prefixed.find("FF=[END]"), 8, "/FF=[END]");
    WriteText(dir / "prefixed.tbl", "@Demo\r\n!F1=Kanji,0\r\n" + prefixed);
    const std::string demo = " --rom '" + examples + "demo.bin'";
    const std::string demoJob = demo + " --table-start 10 --table-end 37 --text-start 100 --text-end 293";
    const Outcome plain = Cli("extract" + demoJob + " --table '" + examples + "demo.tbl'");
    const Outcome read = Cli("extract" + demoJob + " --table " + Path("prefixed.tbl") + " -o " + Path("demo.txt"));
    EXPECT_EQ(read.err, "Table switches (!XX) are not read; the line is ignored.\nDone\n");
    EXPECT_EQ(ReadString(dir / "demo.txt"), plain.out);
    const Outcome inserted =
        Cli("insert" + demo + " --table " + Path("prefixed.tbl") + " -o " + Path("demo.bin") + " " + Path("demo.txt"));
    EXPECT_EQ(inserted.exit, 0) << inserted.err;
    EXPECT_EQ(ReadBytes(dir / "demo.bin"), ReadBytes(examples + "demo.bin"));
}

TEST_F(CliTest, TheVersionIsTheProjects) {
    std::smatch version;
    const std::string project = ReadString(std::filesystem::path(QUORVEX_SOURCE_DIR) / "CMakeLists.txt");
    ASSERT_TRUE(std::regex_search(project, version, std::regex(R"(project\(Quorvex VERSION ([0-9]+\.[0-9]+\.[0-9]+))")));
    const Outcome run = Cli("--version");
    EXPECT_EQ(run.exit, 0);
    EXPECT_EQ(run.out, "quorvex-cli " + version[1].str() + "\n");
}

TEST_F(CliTest, TheDemoGeneratorReproducesTheBundledExample) {
    std::filesystem::create_directory(dir / "demo");
    ASSERT_EQ(std::system((std::string(QUORVEX_DEMO_GENERATOR_PATH) + " " + Path("demo") + " > /dev/null").c_str()), 0);
    const std::filesystem::path examples = std::filesystem::path(QUORVEX_SOURCE_DIR) / "examples";
    std::string demoRom, demoTable;
    for (const auto& file : std::filesystem::directory_iterator(dir / "demo")) {
        EXPECT_EQ(ReadBytes(file.path()), ReadBytes(examples / file.path().filename())) << file.path();
        std::string quoted(1, '\'');
        quoted.append((examples / file.path().filename()).string()).append(1, '\'');
        (file.path().extension() == ".tbl" ? demoTable : demoRom) = quoted;
    }
    const Outcome run = Cli("extract --rom " + demoRom + " --table " + demoTable +
                            " --table-start 10 --table-end 37 --text-start 100 --text-end 293");
    EXPECT_EQ(run.exit, 0) << run.err;
    EXPECT_NE(run.out.find("XOffset:\tFFFF8000\r\n"), std::string::npos) << "derived from the smallest pointer";
    EXPECT_NE(run.out.find("Welcome to Quillhaven![END]\r\n"), std::string::npos);
}

}  // namespace
}  // namespace quorvex
