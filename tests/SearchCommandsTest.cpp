// The search tools through quorvex-cli, as a user runs them: exit statuses,
// the draft table's bytes, and a found table extracted with the printed line.
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <tuple>
#include <sys/wait.h>

using namespace quorvex::test;

namespace {

// "%X", or "%02X" with digits 2.
std::string Hex(std::int64_t value, int digits = 0) {
    char text[24];
    std::snprintf(text, sizeof text, "%0*llX", digits, static_cast<unsigned long long>(value));
    return text;
}

struct Outcome {
    int exit = -1;
    std::string out, err;
};

class SearchCommandsTest : public testing::Test {
protected:
    // Runs a shell line whose first word "quorvex-cli" is the built program.
    Outcome Run(const std::string& line) {
        const std::string command = QUORVEX_CLI_PATH + line.substr(line.find(' ')) + " < /dev/null > '" +
                                    (dir / "out").string() + "' 2> '" + (dir / "err").string() + "'";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadString(dir / "out"), ReadString(dir / "err")};
    }
    [[nodiscard]] std::string Path(const char* name) const {
        std::string quoted(1, '\'');
        return quoted.append((dir / name).string()).append(1, '\'');
    }

    TempDir dir;
};

TEST_F(SearchCommandsTest, RelativeSearchExitsAndWritesTheDraftOfTheChosenHit) {
    // "Hi, Bob 42" with A=80 a=A0 0=10, twice; around it bytes no hit can use.
    Bytes rom(64, 0xFF);
    const Bytes line = {0x87, 0xA8, 0x00, 0x00, 0x81, 0xAE, 0xA1, 0x00, 0x14, 0x12};
    for (const std::size_t at : {8, 40}) std::copy(line.begin(), line.end(), rom.begin() + at);
    rom[40] = 0x97;  // the second hit has A at 90
    rom[44] = 0x91;
    WriteBytes(dir / "game.rom", rom);
    const std::string search = "quorvex-cli relative-search --rom " + Path("game.rom");

    const Outcome hits = Run(search + " --table-out " + Path("hit2.tbl") + " --hit 2 'Hi, Bob 42'");
    EXPECT_EQ(hits.exit, 0) << hits.err;
    EXPECT_EQ(hits.out, "8\tA=80 a=A0 0=10\n28\tA=90 a=A0 0=10\n");
    EXPECT_EQ(hits.err, "2 hits\n");
    std::string draft;
    for (const auto& [first, base, count] : {std::tuple{'A', 0x90, 26}, {'a', 0xA0, 26}, {'0', 0x10, 10}})
        for (int c = 0; c < count; ++c) draft += Hex(base + c, 2) + "=" + static_cast<char>(first + c) + "\r\n";
    // The comma stands for 00 at its one place; the spaces do too, but 00 is the comma's.
    EXPECT_EQ(ReadString(dir / "hit2.tbl"), draft + "00=,\r\n");

    const struct {
        std::string arguments;
        int exit;
        std::string err;
    } cases[] = {
        {" --width 2 'Hi, Bob 42'", 3, "0 hits\n"},
        {" --table-out " + Path("none.tbl") + " 'Bob Bob'", 3, "0 hits\n"},
        {" 'a-a-a'", 2, "Type at least three letters or digits, two of them different.\n"},
        {" --width 3 'Bob'", 2, "The width must be 1 or 2.\n"},
        {" --table-out " + Path("x.tbl") + " --hit 3 'Hi, Bob 42'", 1, "There is no hit 3: the search found 2.\n"},
        {" 'Hi, Bob 4?'", 0, "2 hits\n"},
        {" 'Hi, Bob 52'", 3,
         "0 hits\nNo hit for the whole text; \"Hi, Bob 5\" hits at 8 (2 hits): the next letters may be one code "
         "(a ligature or a dictionary entry).\n"},
    };
    for (const auto& c : cases) {
        const Outcome run = Run(search + c.arguments);
        EXPECT_EQ(run.exit, c.exit) << c.arguments;
        EXPECT_EQ(run.err, c.err) << c.arguments;
    }
    EXPECT_EQ(dir.Files(), (std::vector<std::string>{"err", "game.rom", "hit2.tbl", "out"})) << "nothing else written";
}

TEST_F(SearchCommandsTest, ExtractWithThePrintedLineGivesBackTheStrings) {
    const struct {
        const char* type;
        int width;
        std::int64_t xOffset, tableAt, textAt;
    } layouts[] = {{"Regular2", 2, 0x10 - 0x8000, 0x1000, 0x4000}, {"Regular4", 4, -0x08000000, 0x3002, 0x15000}};
    std::string table;
    for (char c = 'A'; c <= 'Z'; ++c) table += Hex(c + 0x20, 2) + "=" + c + "\r\n";
    WriteText(dir / "game.tbl", table + "FF=[END]\r\n");
    std::mt19937 random(7);
    for (const auto& layout : layouts) {
        SCOPED_TRACE(layout.type);
        Bytes rom(0x20000);
        for (auto& byte : rom) byte = static_cast<std::uint8_t>(random());
        std::fill_n(rom.begin() + layout.tableAt - 16, 32 * layout.width + 32, 0);
        std::vector<std::string> strings;
        std::vector<std::int64_t> offsets;
        std::int64_t pos = layout.textAt;
        rom[pos - 1] = 0x7E;
        for (int j = 0; j < 32; ++j) {
            offsets.push_back(pos);
            const auto value = static_cast<std::uint32_t>(pos - layout.xOffset);
            for (int b = 0; b < layout.width; ++b) rom[layout.tableAt + layout.width * j + b] = (value >> 8 * b) & 0xFF;
            strings.emplace_back();
            for (int n = 3 + random() % 12; n > 0; --n) strings.back() += static_cast<char>('A' + random() % 26);
            for (const char c : strings.back()) rom[pos++] = static_cast<std::uint8_t>(c + 0x20);
            rom[pos++] = 0xFF;
        }
        WriteBytes(dir / "game.rom", rom);

        const Outcome found = Run("quorvex-cli find-pointers --rom " + Path("game.rom") + " --text-offset " +
                                  Hex(offsets[5]) + " --text-offset " + Hex(offsets[20]));
        ASSERT_EQ(found.exit, 0) << found.err;
        EXPECT_EQ(found.out.substr(0, found.out.find('\n')),
                  std::string(layout.type) + "\t" + Hex(layout.tableAt) + "\t" +
                      Hex(layout.tableAt + 32 * layout.width - 1) + "\t" +
                      Hex(static_cast<std::uint32_t>(layout.xOffset)) + "\t20\t" + Hex(layout.textAt) + "\t" + Hex(pos - 1));
        // Offsets inside their strings: the end byte moves them back to the strings' starts.
        const Outcome inside = Run("quorvex-cli find-pointers --end-byte FF --rom " + Path("game.rom") +
                                   " --text-offset " + Hex(offsets[5] + 2) + " --text-offset " + Hex(offsets[20] + 2));
        EXPECT_EQ(inside.out, found.out) << inside.err;
        // The same in decimal: read as hexadecimal, these offsets miss the strings.
        const Outcome decimal = Run("quorvex-cli find-pointers --dec --rom " + Path("game.rom") + " --text-offset " +
                                    std::to_string(offsets[5]) + " --text-offset " + std::to_string(offsets[20]));
        ASSERT_EQ(decimal.exit, 0) << decimal.err;
        EXPECT_EQ(decimal.out.substr(0, decimal.out.find('\t', decimal.out.find('\t') + 1)),
                  std::string(layout.type) + "\t" + std::to_string(layout.tableAt));
        const Outcome extracted = Run(found.err.substr(0, found.err.find('\n')) + " --table " + Path("game.tbl"));
        ASSERT_EQ(extracted.exit, 0) << found.err << extracted.err;
        std::size_t at = 0;
        for (const std::string& text : strings) {
            at = extracted.out.find("\r\n" + text + "[END]\r\n", at);
            ASSERT_NE(at, std::string::npos) << text << "\n" << extracted.out;
        }
    }
}

TEST_F(SearchCommandsTest, FindPointersWithoutATableOrWithBadInput) {
    WriteBytes(dir / "game.rom", Bytes(0x1000, 0x41));
    const std::string find = "quorvex-cli find-pointers --rom " + Path("game.rom");
    const struct {
        std::string arguments;
        int exit;
        std::string err;
    } cases[] = {
        {" --text-offset 100 --text-offset 200", 3,
         "No pointer table points at all of these strings.\n"
         "If an offset lies inside its string, give the byte that ends strings: --end-byte XX.\n"},
        {" --text-offset 100 --x-offset 0 --end-byte FF", 3, "No pointer table points at all of these strings.\n"},
        {" --text-offset 100 --text-offset 200 --end-byte 100", 2, "--end-byte must be one byte XX, not \"100\".\n"},
        {" --text-offset 100", 2, "Give at least two different text offsets, or one text offset and the X000 Offset.\n"},
        {" --dec --text-offset 100 --text-offset 4096", 2, "Every text offset must lie inside the ROM.\n"},
        {" --text-offset 100 --text-offset zz", 2, "--text-offset must be a number, not \"zz\".\n"},
    };
    for (const auto& c : cases) {
        const Outcome run = Run(find + c.arguments);
        EXPECT_EQ(run.exit, c.exit) << c.arguments;
        EXPECT_EQ(run.err, c.err) << c.arguments;
        EXPECT_EQ(run.out, "") << c.arguments;
    }
}

}  // namespace
