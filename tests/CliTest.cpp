#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/wait.h>

using quorvex::test::ReadBytes;
using quorvex::test::TempDir;
using quorvex::test::WriteBytes;
using quorvex::test::WriteText;

namespace {

struct Outcome {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string ReadString(const std::filesystem::path& path) {
    const auto bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// Runs quorvex-cli with the arguments (already quoted where needed), stdin from /dev/null.
Outcome Cli(const TempDir& dir, const std::string& arguments) {
    const auto out = dir / "stdout.txt";
    const auto err = dir / "stderr.txt";
    const std::string command = std::string(QUORVEX_CLI_PATH) + " " + arguments + " < /dev/null > '" + out.string() +
                                "' 2> '" + err.string() + "'";
    const int status = std::system(command.c_str());
    Outcome outcome;
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.out = ReadString(out);
    outcome.err = ReadString(err);
    return outcome;
}

std::string Quote(const std::filesystem::path& path) {
    return "'" + path.string() + "'";
}

const std::string kWorkedExampleScript =
    "Table Start:\t10\r\nTable End:\t16\r\nText Start:\t810\r\nText End:\t815\r\nXOffset:\t7F0\r\n\r\n"
    "Table Type:\t0\r\nText Type:\t0\r\n-----------------\r\n10\r\nAB[END]\r\n12 r14\r\n14\r\nA<43>[END]\r\n";

// The three-pointer ROM of the script format's example.
void WriteWorkedExample(const TempDir& dir) {
    WriteBytes(dir / "game.rom", quorvex::test::RomBuilder(0x900)
                                     .Put(0x10, {0x20, 0x00, 0x23, 0x00, 0x23, 0x00})
                                     .Put(0x810, {0x41, 0x42, 0xFF, 0x41, 0x43, 0xFF})
                                     .bytes());
    WriteText(dir / "game.tbl", "41=A\r\n42=B\r\nFF=[END]\r\n");
}

}  // namespace

TEST(CliTest, ExtractWritesTheExactScriptToStdout) {
    TempDir dir;
    WriteWorkedExample(dir);
    const Outcome run = Cli(dir, "extract --rom " + Quote(dir / "game.rom") + " --table " + Quote(dir / "game.tbl") +
                                     " --table-start 10 --table-end 16 --text-start 810 --text-end 815 --x-offset 7f0");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, kWorkedExampleScript);
    EXPECT_EQ(run.err, "Done\n");
}

TEST(CliTest, ExtractReadsDecimalAndTypeNamesAndWritesAFile) {
    TempDir dir;
    WriteWorkedExample(dir);
    const Outcome run = Cli(dir, "extract --rom " + Quote(dir / "game.rom") + " --table " + Quote(dir / "game.tbl") +
                                     " --dec --table-type regular2 --text-type REGULAR --table-start 16"
                                     " --table-end 22 --text-start 2064 --text-end 2069 --x-offset 2032 -o " +
                                     Quote(dir / "out.txt"));
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(run.out.empty());
    EXPECT_EQ(ReadString(dir / "out.txt"), kWorkedExampleScript);
}

TEST(CliTest, UsageErrorsExitWithTwo) {
    TempDir dir;
    WriteWorkedExample(dir);
    const std::string rom = " --rom " + Quote(dir / "game.rom");
    EXPECT_EQ(Cli(dir, "extract").exitCode, 2) << "--rom is required";
    EXPECT_EQ(Cli(dir, "extract" + rom + " --no-such-option").exitCode, 2);
    EXPECT_EQ(Cli(dir, "frobnicate").exitCode, 2);
    EXPECT_EQ(Cli(dir, "").exitCode, 2);
    const Outcome badType = Cli(dir, "extract" + rom + " --table-type 9");
    EXPECT_EQ(badType.exitCode, 2);
    EXPECT_NE(badType.err.find("Unknown table type"), std::string::npos);
    const Outcome badMode = Cli(dir, "extract" + rom + " --table " + Quote(dir / "game.tbl") + " --read-mode utf16");
    EXPECT_EQ(badMode.exitCode, 2);
    const Outcome badCodePage =
        Cli(dir, "extract" + rom + " --table " + Quote(dir / "game.tbl") + " --read-mode ascii --code-page klingon");
    EXPECT_EQ(badCodePage.exitCode, 2);
    EXPECT_EQ(badCodePage.err, "The code page \"klingon\" is not known.\n");
    EXPECT_EQ(Cli(dir, "insert" + rom + " --yes --no " + Quote(dir / "s.txt")).exitCode, 2);
}

TEST(CliTest, FileErrorsExitWithOneAndNameTheFile) {
    TempDir dir;
    const Outcome run = Cli(dir, "extract --rom " + Quote(dir / "missing.rom"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.empty());
    EXPECT_EQ(run.err, "File error: \"" + (dir / "missing.rom").string() +
                           "\" could not be used: No such file or directory.\n");
    WriteWorkedExample(dir);
    const Outcome table = Cli(dir, "extract --rom " + Quote(dir / "game.rom") + " --table " + Quote(dir / "no.tbl"));
    EXPECT_EQ(table.exitCode, 1);
    EXPECT_NE(table.err.find("no.tbl"), std::string::npos);
}

TEST(CliTest, HelpAndVersion) {
    TempDir dir;
    const Outcome help = Cli(dir, "extract --help");
    EXPECT_EQ(help.exitCode, 0);
    for (const char* option : {"--rom", "--table", "--read-mode", "--code-page", "--dec", "--table-type", "--text-type",
                               "--table-start", "--table-end", "--text-start", "--text-end", "--x-offset",
                               "--huff-table", "--ed-cmnd", "-o"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    const Outcome version = Cli(dir, "--version");
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "quorvex-cli 1.3.0\n");
}

TEST(CliTest, InsertCheckAndTestReportThroughTheirExitCodes) {
    TempDir dir;
    WriteWorkedExample(dir);
    const auto original = ReadBytes(dir / "game.rom");
    const std::string rom = " --rom " + Quote(dir / "game.rom");
    const std::string table = " --table " + Quote(dir / "game.tbl");
    WriteText(dir / "fits.txt", kWorkedExampleScript);
    WriteText(dir / "over.txt", "Table Start:\t10\nTable End:\t16\nText Start:\t810\nText End:\t815\nXOffset:\t7F0\n\n"
                                "Table Type:\t0\nText Type:\t0\n-----------------\n10\nABABAB[END]\n12 r14\n14\nA[END]\n");

    const Outcome fits = Cli(dir, "check" + table + " " + Quote(dir / "fits.txt"));
    EXPECT_EQ(fits.exitCode, 0) << fits.err;
    EXPECT_EQ(fits.out.substr(0, 43), "Text Starts at 810 and ends at 815 (6 bytes");
    EXPECT_EQ(Cli(dir, "check" + table + " " + Quote(dir / "over.txt")).exitCode, 3);
    EXPECT_EQ(Cli(dir, "check " + Quote(dir / "fits.txt")).exitCode, 1) << "letters without a table";

    const Outcome refused = Cli(dir, "insert" + rom + table + " --no " + Quote(dir / "over.txt"));
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("The ROM was not changed."), std::string::npos);
    EXPECT_EQ(ReadBytes(dir / "game.rom"), original);
    const Outcome unasked = Cli(dir, "insert" + rom + table + " " + Quote(dir / "over.txt"));
    EXPECT_EQ(unasked.exitCode, 1) << "stdin is no terminal: the answer is No";
    EXPECT_EQ(ReadBytes(dir / "game.rom"), original);
    const Outcome forced = Cli(dir, "insert" + rom + table + " --yes " + Quote(dir / "over.txt"));
    EXPECT_EQ(forced.exitCode, 0) << forced.err;
    EXPECT_NE(ReadBytes(dir / "game.rom"), original);

    const Outcome test = Cli(dir, "test" + table + " ABBA");
    EXPECT_EQ(test.exitCode, 0);
    EXPECT_NE(test.out.find("The text fits perfectly!"), std::string::npos);
    const Outcome single = Cli(dir, "test" + table + " A");
    EXPECT_EQ(single.exitCode, 1);
    EXPECT_EQ(single.err, "You can't run this without some input text!\n");
}

TEST(CliTest, RedoSavesTheFreshScriptWithOneZeroByte) {
    TempDir dir;
    WriteWorkedExample(dir);
    WriteText(dir / "script.txt", "Table Start:\t10\nTable End:\t16\nText Start:\t810\nText End:\t815\nXOffset:\t7F0\n"
                                  "-----------------\nold text\n");
    const Outcome run = Cli(dir, "redo --rom " + Quote(dir / "game.rom") + " --table " + Quote(dir / "game.tbl") + " " +
                                     Quote(dir / "script.txt"));
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, kWorkedExampleScript);
    EXPECT_EQ(run.err, "Done\n");
    EXPECT_EQ(ReadString(dir / "script.txt"), kWorkedExampleScript + std::string(1, '\0'));
}

TEST(CliTest, DemoGeneratorReproducesTheBundledExample) {
    TempDir dir;
    const std::string command = std::string(QUORVEX_DEMO_GENERATOR_PATH) + " '" + dir.path().string() + "' > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::filesystem::path examples = std::filesystem::path(QUORVEX_SOURCE_DIR) / "examples";
    EXPECT_EQ(ReadBytes(dir / "demo.bin"), ReadBytes(examples / "demo.bin"));
    EXPECT_EQ(ReadBytes(dir / "demo.tbl"), ReadBytes(examples / "demo.tbl"));

    const Outcome run = Cli(dir, "extract --rom " + Quote(examples / "demo.bin") + " --table " +
                                     Quote(examples / "demo.tbl") +
                                     " --table-start 10 --table-end 37 --text-start 100 --text-end 293");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("XOffset:\tFFFF8000\r\n"), std::string::npos) << "derived from the smallest pointer";
    EXPECT_NE(run.out.find("Welcome to Quillhaven![END]\r\n"), std::string::npos);
    EXPECT_NE(run.out.find(" r"), std::string::npos) << "the two pointers sharing a string";
    EXPECT_NE(run.out.find("<7E>"), std::string::npos) << "a byte without a table entry";
}
