// Translation builds and the patch commands as a build script runs them:
// quorvex-cli build, insert --output/--patch, patch, apply and checksum.
#include "TestSupport.h"

#include "patch/Bps.h"
#include "patch/PatchFormat.h"
#include "platform/Crc32.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>

namespace quorvex {
namespace {

using namespace test;
namespace fs = std::filesystem;

struct Outcome {
    int exit = -1;
    std::string out;
    std::string err;
};

// A ROM with three pointer tables of three 2-byte pointers each, every one
// with a 16-byte text area of its own, and a table of the capital letters.
class BuildTest : public ::testing::Test {
protected:
    void SetUp() override {
        rom = RomBuilder(0x1000).bytes();
        std::string table = "FF=[END]\r\n";
        for (char c = 'A'; c <= 'Z'; ++c) table += Hex(static_cast<unsigned char>(c)) + "=" + c + "\r\n";
        WriteText(dir / "letters.tbl", table);
        WriteBytes(dir / "rom.bin", rom);
        for (int job = 0; job < 3; ++job) WriteScript(job, {"MENU", "ITEM", "SAVE"});
    }

    static std::string Hex(unsigned value) {
        char text[16];
        std::snprintf(text, sizeof text, "%X", value);
        return text;
    }

    // Job k's script with its three strings; textEnd 0: the job's 16-byte text area; its offsets moved up by shift.
    void WriteScript(int job, const std::vector<std::string>& strings, const std::string& name = "",
                     unsigned textEnd = 0, unsigned textStart = 0, unsigned shift = 0) const {
        const unsigned table = shift + 0x10 + 0x10 * job, text = textStart ? textStart : shift + 0x810 + 0x40 * job;
        std::string script = "Table Start:\t" + Hex(table) + "\r\nTable End:\t" + Hex(table + 6) + "\r\nText Start:\t" +
                             Hex(text) + "\r\nText End:\t" + Hex(textEnd ? textEnd : text + 15) +
                             "\r\nXOffset:\t7F0\r\n\r\nTable Type:\t0\r\nText Type:\t0\r\n-----------------\r\n";
        for (std::size_t i = 0; i < strings.size(); ++i) script += Hex(table + 2 * i) + "\r\n" + strings[i] + "[END]\r\n";
        WriteText(dir / (name.empty() ? "job" + std::to_string(job) + ".txt" : name), script);
    }

    // Runs quorvex-cli in the test's folder, stdin from /dev/null.
    Outcome Cli(const std::string& arguments) const {
        const std::string command = "cd '" + dir.path().string() + "' && " + QUORVEX_CLI_PATH + " " + arguments +
                                    " < /dev/null > cli.out 2> cli.err";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadString(dir / "cli.out"), ReadString(dir / "cli.err")};
    }

    // A project of the three jobs (the names of their scripts given), the second allowed to run over.
    void WriteProject(const std::string& head, const std::string& second = "job1.txt",
                      const std::string& name = "quorvex.toml") const {
        std::string project = "rom = \"rom.bin\"\n" + head + "\n";
        for (const std::string script : {"job0.txt", second.c_str(), "job2.txt"})
            project += "\n[[job]]\nscript = \"" + script + "\"\ntable = \"letters.tbl\"\n" +
                       (script == second ? "over = \"yes\"\n" : "");
        WriteText(dir / name, project);
    }

    TempDir dir;
    Bytes rom;
};

TEST_F(BuildTest, ABuildOfThreeJobsEqualsThreeInsertsInARow) {
    rom = RomBuilder(0x1000).Put(0x104, {0xCE, 0xED, 0x66, 0x66}).bytes();  // a Game Boy header
    WriteBytes(dir / "rom.bin", rom);
    WriteScript(0, {"START", "LOAD", "QUIT"});
    WriteScript(1, {"SWORD", "SHIELD", "POTIONS"});  // 21 bytes in 16: runs over
    WriteScript(2, {"YES", "NO", "MAYBE"});
    ASSERT_EQ(Cli("insert --rom rom.bin --table letters.tbl -o seq.bin job0.txt").exit, 0);
    ASSERT_EQ(Cli("insert --rom seq.bin --table letters.tbl --yes job1.txt").exit, 0);
    ASSERT_EQ(Cli("insert --rom seq.bin --table letters.tbl --fix-checksum gb job2.txt").exit, 0);
    const Bytes inserted = ReadBytes(dir / "seq.bin");
    ASSERT_NE(inserted, rom);

    for (const std::string format : {"bps", "ips"}) {
        WriteProject("output = \"out/game.bin\"\npatch = \"out/game." + format + "\"\nchecksum = \"gb\"");
        const Outcome build = Cli("build");
        ASSERT_EQ(build.exit, 0) << build.err;
        EXPECT_EQ(ReadBytes(dir / "out/game.bin"), inserted);
        EXPECT_EQ(ReadBytes(dir / "rom.bin"), rom);
        const std::size_t first = build.out.find("job0.txt\n"), second = build.out.find("job1.txt\n    You are 5 bytes over");
        EXPECT_TRUE(first < second && second < build.out.find("job2.txt\n")) << build.out;
        const Outcome apply = Cli("apply --patch out/game." + format + " --rom rom.bin -o back.bin");
        ASSERT_EQ(apply.exit, 0) << apply.err;
        EXPECT_EQ(ReadBytes(dir / "back.bin"), inserted);
    }
}

TEST_F(BuildTest, ABuildWhoseSecondJobStopsWritesNothing) {
    WriteScript(1, {"ITEM", "Potion", "SAVE"}, "unknown.txt");  // lower case: not in the table
    WriteScript(1, {"SWORD", "SHIELD", "POTIONS"}, "over.txt");
    const struct {
        std::string second, project, err;
    } cases[] = {
        {"unknown.txt", "", "unknown.txt: You have come to a character(s) that isn't in the table!!\n"},
        {"missing.txt", "", "missing.txt: File error: \"missing.txt\" could not be used: No such file or directory.\n"},
        {"over.txt", "build --no", "over.txt: You ended with going 5 bytes over the original text limit!\n"},
    };
    const FrozenFile frozen(dir / "rom.bin", rom);
    for (const auto& c : cases) {
        WriteProject("output = \"out/game.bin\"\npatch = \"out/game.bps\"", c.second);
        const Outcome build = Cli(c.project.empty() ? "build" : c.project);
        EXPECT_EQ(build.exit, 1) << c.second;
        EXPECT_EQ(build.err.substr(0, c.err.size()), c.err);
        EXPECT_TRUE(build.out.ends_with("The build stopped: nothing was written.\n")) << build.out;
        EXPECT_FALSE(fs::exists(dir / "out"));
        EXPECT_TRUE(frozen.Unchanged());
    }
}

TEST_F(BuildTest, JobsThatClaimTheSameBytesOrRunIntoAnotherJobWriteNothing) {
    const std::string longer(20, 'S');
    WriteScript(1, {"MENU", "ITEM", "SAVE"}, "wide.txt", 0x89F);  // its text area reaches job 2's
    WriteScript(2, {"MENU", "ITEM", "SAVE"}, "tables.txt", 0x12, 0x8);  // and this one job 0's pointer table
    WriteScript(1, {longer, longer + longer, longer}, "long.txt");  // the third string reaches 890
    const struct {
        std::string second, third, arguments;
        int exit;
        std::string err;
    } cases[] = {
        {"wide.txt", "job2.txt", "build", 2, "wide.txt and job2.txt both claim 890\u2013" "89F.\n"},
        {"job1.txt", "tables.txt", "build --yes", 2, "job0.txt and tables.txt both claim 10\u2013" "12.\n"},
        {"long.txt", "job2.txt", "build", 1,
         "long.txt: Line 15: the text runs into the text area of job2.txt (890\u2013" "89F).\n"},
        {"long.txt", "job2.txt", "build --yes", 1,
         "long.txt: Line 15: the text runs into the text area of job2.txt (890\u2013" "89F).\n"},
    };
    const FrozenFile frozen(dir / "rom.bin", rom);
    for (const auto& c : cases) {
        WriteProject("output = \"out/game.bin\"\npatch = \"out/game.bps\"", c.second);
        std::string project = ReadString(dir / "quorvex.toml");
        project.replace(project.find("job2.txt"), 8, c.third);
        WriteText(dir / "quorvex.toml", project);
        const Outcome build = Cli(c.arguments);
        EXPECT_EQ(build.exit, c.exit) << c.second << c.third;
        EXPECT_EQ(build.err, c.err);
        EXPECT_FALSE(fs::exists(dir / "out"));
        EXPECT_TRUE(frozen.Unchanged());
    }
}

TEST_F(BuildTest, LinesWiderThanTheBoxOnlyWarn) {
    WriteScript(1, {"MENU", "ITEM", "SAVE"}, "wide.txt");
    WriteProject("output = \"game.bin\"\nmax_width = 3\nbreaks = [\"I\"]", "wide.txt");
    const Outcome build = Cli("build");
    EXPECT_EQ(build.exit, 0) << build.err;
    EXPECT_NE(build.out.find("wide.txt\n    You ended with 1 bytes left over from the original text limit!\n"
                             "    Line 11: 4 characters wide, the box holds 3: MENU[END]\n"
                             "    Line 15: 4 characters wide, the box holds 3: SAVE[END]\n"),
              std::string::npos)
        << build.out;
    EXPECT_TRUE(fs::exists(dir / "game.bin"));
}

TEST_F(BuildTest, AMalformedProjectIsAUsageErrorNamingFileLineAndKey) {
    fs::create_symlink("rom.bin", dir / "link.bin");
    const struct {
        std::string project, err;
    } cases[] = {
        {"rom = \"rom.bin\"\npatch = \"a.bps\"\n[[job]\nscript = \"job0.txt\"\n", "p.toml:3: Error while parsing table header"},
        {"rom = \"rom.bin\"\npatch = \"a.bps\"\n[[job]]\nscript = \"job0.txt\"\ntabel = \"letters.tbl\"\n",
         "p.toml:5: unknown key \"tabel\".\n"},
        {"rom = \"rom.bin\"\npatch = \"a.bps\"\nover = 3\n", "p.toml:3: \"over\" must be \"yes\" or \"no\".\n"},
        {"rom = \"rom.bin\"\npatch = \"a.bps\"\n[[job]]\nscript = \"job0.txt\"\nshortest = \"yes\"\n",
         "p.toml:5: \"shortest\" must be true or false.\n"},
        {"rom = [\"rom.bin\"]\noutput = \"a.bin\"\n", "p.toml:1: \"rom\" must be a string.\n"},
        {"rom = \"rom.bin\"\npatch = \"a.bps\"\nmax_width = 0\n", "p.toml:3: \"max_width\" must be a whole number above 0.\n"},
        {"rom = \"rom.bin\"\npatch = \"a.bps\"\nbreaks = [1]\n", "p.toml:3: \"breaks\" must be a list of strings.\n"},
        {"rom = \"rom.bin\"\npatch = \"a.zip\"\n", "p.toml:2: \"patch\" must be a path ending in .ips or .bps.\n"},
        {"rom = \"rom.bin\"\n\n[[job]]\nscript = \"job0.txt\"\n", "p.toml:1: give \"output\", \"patch\" or both.\n"},
        {"rom = \"rom.bin\"\noutput = \"a.bin\"\n\n[[job]]\ntable = \"letters.tbl\"\n", "p.toml:4: \"script\" is required.\n"},
        {"rom = \"rom.bin\"\noutput = \"link.bin\"\n", "link.bin is a file this command reads: write the result to another file.\n"},
    };
    const FrozenFile frozen(dir / "rom.bin", rom);
    for (const auto& c : cases) {
        WriteText(dir / "p.toml", c.project);
        const Outcome build = Cli("build p.toml --yes");
        EXPECT_EQ(build.exit, 2) << c.project;
        EXPECT_EQ(build.err.substr(0, c.err.size()), c.err) << c.project;
        EXPECT_TRUE(frozen.Unchanged());
        EXPECT_TRUE(fs::is_symlink(dir / "link.bin"));
        EXPECT_FALSE(fs::exists(dir / "a.bin") || fs::exists(dir / "a.bps"));
    }
}

TEST_F(BuildTest, InsertToAnOutputLeavesTheRomAndItsPatchAppliesBack) {
    const FrozenFile frozen(dir / "rom.bin", rom);
    for (const std::string patch : {"new.bps", "new.IPS"}) {
        const Outcome insert = Cli("insert --rom rom.bin --table letters.tbl --output new.bin --patch " + patch + " job0.txt");
        ASSERT_EQ(insert.exit, 0) << insert.err;
        EXPECT_TRUE(frozen.Unchanged());
        EXPECT_NE(ReadBytes(dir / "new.bin"), rom);
        ASSERT_EQ(Cli("apply --patch " + patch + " --rom rom.bin -o back.bin").exit, 0);
        EXPECT_EQ(ReadBytes(dir / "back.bin"), ReadBytes(dir / "new.bin"));
    }
    // Stopped or refused: neither file is written.
    WriteScript(0, {"Menu"}, "bad.txt");
    const Outcome stopped = Cli("insert --rom rom.bin --table letters.tbl -o stop.bin --patch stop.bps bad.txt");
    const Outcome refused = Cli("insert --rom rom.bin --table letters.tbl -o stop.bin --patch stop.zip missing.txt");
    EXPECT_EQ(stopped.exit, 1);
    EXPECT_EQ(refused.exit, 2);
    EXPECT_EQ(refused.err, "stop.zip: a patch must end in .ips or .bps.\n");
    EXPECT_FALSE(fs::exists(dir / "stop.bin") || fs::exists(dir / "stop.bps"));
    EXPECT_TRUE(frozen.Unchanged());
}

TEST_F(BuildTest, PatchApplyAndChecksumExitCodes) {
    // A Game Boy image whose header checksum (E7 over 25 zero bytes) and global sum are right.
    Bytes gb = RomBuilder(0x8000).Put(0x104, {0xCE, 0xED, 0x66, 0x66}).Put(0x14D, {0xE7, 0x03, 0x6E}).bytes();
    WriteBytes(dir / "right.gb", gb);
    gb[0x14D] = gb[0x14E] = gb[0x14F] = 0;
    WriteBytes(dir / "wrong.gb", gb);
    Bytes large(17 << 20, 0);
    WriteBytes(dir / "large.bin", large);
    large.back() = 1;
    WriteBytes(dir / "large2.bin", large);
    WriteBytes(dir / "sixteen.bin", Bytes(large.begin(), large.begin() + (16 << 20)));
    ASSERT_EQ(Cli("patch --from rom.bin --to right.gb -o good.bps").exit, 0);
    const Bytes good = ReadBytes(dir / "good.bps");
    WriteBytes(dir / "cut.bps", Bytes(good.begin(), good.end() - 5));
    WriteBytes(dir / "zeros.nes", Bytes(0x8000, 0));
    char crcs[96];
    std::snprintf(crcs, sizeof crcs, "(CRC32 %08X, this one is %08X).\n", Crc32(rom), Crc32(gb));

    const struct {
        std::string arguments;
        int exit;
        std::string out, err;
    } cases[] = {
        {"patch --from rom.bin --to right.gb -o p.txt", 2, "", "p.txt: a patch must end in .ips or .bps.\n"},
        {"patch --from large.bin --to large2.bin -o p.ips", 1, "", "IPS patches cannot reach past 16 MiB; use .bps.\n"},
        {"patch --from large.bin --to large2.bin -o p.bps", 0, "", "~Wrote p.bps"},
        {"patch --from large.bin --to sixteen.bin -o p.ips", 1, "",
         "An IPS patch cannot make a file of 16 MiB or more; use .bps.\n"},
        {"patch --from good.bps --to right.gb -o good.bps", 2, "", "~good.bps is a file this command reads"},
        {"apply --patch good.bps --rom wrong.gb -o out.gb", 1, "", "The patch was made for another ROM " + std::string(crcs)},
        {"apply --patch cut.bps --rom rom.bin -o out.gb", 1, "", "The patch is damaged.\n"},
        {"apply --patch letters.tbl --rom rom.bin -o out.gb", 1, "", "letters.tbl is not an IPS or BPS patch.\n"},
        {"apply --patch none.bps --rom rom.bin -o out.gb", 1, "", "~File error: \"none.bps\""},
        {"apply --patch good.bps --rom rom.bin -o rom.bin", 2, "", "~rom.bin is a file this command reads"},
        {"checksum --rom right.gb", 0, "gb: stored E7/036E, computed E7/036E, right\n", ""},
        {"checksum --rom wrong.gb --system gb", 3, "gb: stored 00/0000, computed E7/036E, wrong\n", ""},
        {"checksum --rom rom.bin", 1, "", "No known header was found.\n"},
        {"checksum --rom rom.bin --system nes", 2, "", "~nes"},
        {"checksum --rom zeros.nes --system snes --fix", 1, "", "No SNES header was found.\n"},
        {"checksum --rom zeros.nes --system gba", 1, "", "No Game Boy Advance header was found.\n"},
        {"insert --rom zeros.nes --table letters.tbl -o out.gb --fix-checksum md job0.txt", 1, "",
         "~No Mega Drive header was found.\n"},
        {"insert --rom zeros.nes --table letters.tbl -o auto.nes --fix-checksum auto job0.txt", 0, "",
         "You ended with 1 bytes left over from the original text limit!\n"
         "No header checksum found: the image is left as it is.\nWrote auto.nes (32768 bytes).\n"},
        {"checksum --rom wrong.gb --fix", 0, "gb: stored 00/0000, computed E7/036E, fixed\n", ""},
        {"checksum --rom wrong.gb", 0, "gb: stored E7/036E, computed E7/036E, right\n", ""},
    };
    for (const auto& c : cases) {
        const Outcome run = Cli(c.arguments);
        EXPECT_EQ(run.exit, c.exit) << c.arguments << "\n" << run.err;
        EXPECT_EQ(run.out, c.out) << c.arguments;
        if (c.err.starts_with('~')) EXPECT_NE(run.err.find(c.err.substr(1)), std::string::npos) << run.err;
        else EXPECT_EQ(run.err, c.err) << c.arguments;
        EXPECT_FALSE(fs::exists(dir / "out.gb") || fs::exists(dir / "p.txt") || fs::exists(dir / "p.ips"));
    }
    EXPECT_EQ(ReadBytes(dir / "wrong.gb"), ReadBytes(dir / "right.gb"));
    EXPECT_EQ(ReadBytes(dir / "zeros.nes"), Bytes(0x8000, 0));
    EXPECT_EQ(ReadBytes(dir / "rom.bin"), rom);
}

TEST_F(BuildTest, BpsPatchesOfSnesImagesLeaveTheCopierHeaderOut) {
    // A 32 KiB image behind a 512-byte copier header; the same image without
    // it, and behind another header.
    const Bytes plain = RomBuilder(0x8000, 0x11).bytes();
    const auto behind = [&](std::uint8_t fill, const Bytes& image) {
        Bytes file(512 + image.size(), fill);
        std::copy(image.begin(), image.end(), file.begin() + 512);
        return file;
    };
    WriteBytes(dir / "game.smc", behind(0xAA, plain));
    WriteBytes(dir / "game.bin", behind(0xAA, plain));
    WriteBytes(dir / "game.sfc", plain);
    WriteBytes(dir / "other.SWC", behind(0xBB, plain));
    WriteScript(0, {"SWORD", "AXE", "BOW"}, "job0.txt", 0, 0, 0x200);
    ASSERT_EQ(Cli("insert --rom game.smc --table letters.tbl -o new.smc --patch new.bps job0.txt").exit, 0);
    const Bytes translated = ReadBytes(dir / "new.smc");
    const Bytes translatedPlain(translated.begin() + 512, translated.end());
    WriteBytes(dir / "new.sfc", translatedPlain);
    ASSERT_NE(translatedPlain, plain);

    // One patch for copies with and without the header, whichever way it was made.
    for (const std::string made : {"patch --from game.smc --to new.smc -o made.bps",
                                   "patch --from game.sfc --to new.sfc -o made.bps"}) {
        ASSERT_EQ(Cli(made).exit, 0) << made;
        EXPECT_EQ(ReadBytes(dir / "made.bps"), ReadBytes(dir / "new.bps")) << made;
    }
    EXPECT_EQ(ReadBpsHeader(ReadBytes(dir / "new.bps"))->sourceSize, plain.size());
    ASSERT_EQ(Cli("patch --from game.smc --to new.smc -o new.ips").exit, 0);
    ASSERT_EQ(Cli("patch --from game.bin --to new.smc -o whole.bps").exit, 0);
    ASSERT_EQ(Cli("patch --from game.smc --to other.SWC -o header.bps").exit, 0);  // the header changes
    const struct {
        std::string patch, rom;
        Bytes result;
    } cases[] = {
        {"new.bps", "game.smc", translated},
        {"new.bps", "game.sfc", translatedPlain},
        {"new.bps", "other.SWC", behind(0xBB, translatedPlain)},
        {"new.ips", "game.smc", translated},  // IPS patches the whole file
        {"whole.bps", "game.smc", translated},
        {"header.bps", "game.smc", behind(0xBB, plain)},
    };
    for (const auto& c : cases) {
        const Outcome apply = Cli("apply --patch " + c.patch + " --rom " + c.rom + " -o out.bin");
        ASSERT_EQ(apply.exit, 0) << c.patch << " " << c.rom << ": " << apply.err;
        EXPECT_EQ(ReadBytes(dir / "out.bin"), c.result) << c.patch << " " << c.rom;
    }
    for (const char* patch : {"whole.bps", "header.bps"})
        EXPECT_EQ(ReadBpsHeader(ReadBytes(dir / patch))->sourceSize, plain.size() + 512) << patch;
}

}  // namespace
}  // namespace quorvex
