// Banked cartridges built byte by byte: text that spans bank ends goes out
// and back in through each address map, and grows without crossing one.
#include "chartable/CharTable.h"
#include "commands/Commands.h"
#include "commands/build/Build.h"
#include "extract/Extract.h"
#include "insert/CheckInsert.h"
#include "insert/Insert.h"
#include "job/Messages.h"
#include "job/Script.h"
#include "platform/CodePage.h"
#include "platform/Numbers.h"
#include "pointers/AddressMap.h"
#include "pointers/PointerLayout.h"
#include "search/PointerFinder.h"

#include "ScriptBuilders.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace quorvex {
namespace {

using namespace test;

const std::u16string kTableText = [] {
    std::u16string text = u"00=[END]\r\n";
    for (char16_t c = u'A'; c <= u'Z'; ++c) text += FormatHex2(c) + u"=" + c + u"\r\n";
    return text;
}();
const CharTable kTable = CharTable::FromText(kTableText);

struct BankCase {
    const char* name;
    AddressMapKind map;
    TableType tableType;
    std::size_t imageSize;
    std::int64_t base;        // where the ROM starts in the file
    std::int64_t bankSize;
    std::int32_t textStart;
    std::uint32_t otherBits;  // what the map leaves alone in each pointer
    std::int64_t textBytes;   // about this much text
};

constexpr std::size_t kMiB = 0x100000;

// Text near a bank's end running into the banks after it, or (pointers that
// cannot carry a bank) a third of one bank.
const BankCase kCases[] = {
    {"SlowROM", AddressMapKind::LoRom, TableType::Regular3, kMiB, 0, 0x8000, 0x17C00, 0x008000, 0xA800},
    {"FastROM+copier", AddressMapKind::LoRom, TableType::Regular3, kMiB + 0x200, 0x200, 0x8000, 0x17E00, 0x808000, 0xA800},
    {"HiROM", AddressMapKind::HiRom, TableType::Regular4, kMiB, 0, 0x10000, 0x1FC00, 0xC00000, 0x14000},
    {"ExHiROM", AddressMapKind::ExHiRom, TableType::Variation4, 0x480000, 0, 0x10000, 0x40FC00, 0x400000, 0x14000},
    {"LoROM 2-byte", AddressMapKind::LoRom, TableType::Regular2, kMiB, 0, 0x8000, 0x18100, 0x8000, 0x2800},
    {"GB", AddressMapKind::GameBoy, TableType::Regular2, kMiB, 0, 0x4000, 0x14100, 0, 0x1400},
    {"NES last bank", AddressMapKind::Nes, TableType::Variation1, 0x10 + 8 * 0x4000, 0x10, 0x4000, 0x1C110, 0xC000, 0x1400},
};

struct Cartridge {
    Bytes image;
    JobSettings job;
    std::vector<std::u16string> texts;  // the letters of each string, in text order
};

std::int64_t BankIndex(const BankCase& c, std::int64_t offset) { return (offset - c.base) / c.bankSize; }

// Strings of 8-40 letters, each ended by 00, laid out from Text Start; one
// that would cross a bank end starts the next bank, over FF filler. The
// pointer table, in reverse order, lies at the start of the ROM.
Cartridge Build(const BankCase& c) {
    Cartridge cart;
    RomBuilder rom(c.imageSize, 0xFF);
    std::uint32_t seed = 12345;
    std::vector<std::int64_t> starts;
    std::int64_t at = c.textStart;
    while (at < c.textStart + c.textBytes) {
        seed = seed * 1103515245u + 12345u;
        std::u16string letters;
        for (std::uint32_t i = 0, n = 8 + (seed >> 16) % 33; i < n; ++i) letters += static_cast<char16_t>(u'A' + (seed >> (i % 16)) % 26);
        const auto length = static_cast<std::int64_t>(letters.size()) + 1;
        if (BankIndex(c, at) != BankIndex(c, at + length - 1)) at = c.base + (BankIndex(c, at) + 1) * c.bankSize;
        Bytes bytes(letters.begin(), letters.end());
        bytes.push_back(0);
        rom.Put(static_cast<std::size_t>(at), bytes);
        starts.push_back(at);
        cart.texts.push_back(letters);
        at += length;
    }
    cart.job.map = c.map;
    cart.job.tableStart = static_cast<std::int32_t>(c.base + 0x100);
    cart.job.textStart = c.textStart;
    cart.job.textEnd = static_cast<std::int32_t>(at - 1);
    const int width = PointerWidth(c.tableType, cart.job);
    cart.job.tableEnd = cart.job.tableStart + static_cast<std::int32_t>(starts.size()) * width - 1;
    const PointerLayout layout = *LayoutOf(c.tableType, cart.job);
    const AddressMap map(cart.job, c.imageSize, width);
    Bytes image = rom.bytes();
    for (std::size_t i = 0; i < starts.size(); ++i)
        EXPECT_TRUE(layout.Write(image, cart.job.tableStart + static_cast<std::int64_t>(i) * layout.stride,
                                 *map.ToPointer(starts[starts.size() - 1 - i], c.otherBits)));
    cart.image = std::move(image);
    return cart;
}

// The text lines of a script's body: every second line.
std::vector<std::u16string> TextLines(std::u16string_view script) {
    const std::vector<std::u16string> lines = SplitLines(Body(script));
    std::vector<std::u16string> texts;
    for (std::size_t i = 1; i < lines.size(); i += 2) texts.push_back(lines[i]);
    return texts;
}

// Goes on past Text End every time: the images have room.
struct YesPrompt : Prompt {
    bool askYesNo(std::u16string_view) override { return true; }
};

// Each text line a third longer; what followed the end code (filler) is dropped.
std::u16string Lengthened(std::u16string_view script) {
    std::u16string out(script.substr(0, *FindScriptBody(script)));
    const std::vector<std::u16string> lines = SplitLines(Body(script));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::u16string line = lines[i];
        if (i % 2 == 1) {
            const std::u16string letters = line.substr(0, line.find(u"[END]"));
            line = letters + letters.substr(0, letters.size() / 3 + 1) + u"[END]";
        }
        out += line + u"\r\n";
    }
    return out;
}

TEST(BanksTest, TheMapLineIsReadFromTheHeaderOnlyAndOnlyForPointerTables) {
    const std::u16string head = WriteScriptHeader(JobSettings{}, TableType::Regular3, TextType::Regular);
    const std::u16string beforeDash = head.substr(0, head.size() - kDashLine.size());
    const struct {
        std::u16string script;
        std::optional<AddressMapKind> map;  // no value: not a script
    } cases[] = {
        {head + u"Map:\tlorom\r\n", AddressMapKind::None},
        {beforeDash + u"Map:\tLoROM \r\n" + std::u16string(kDashLine), AddressMapKind::LoRom},
        {beforeDash + u"Map:\tnes\r\n" + std::u16string(kDashLine), AddressMapKind::Nes},
        {beforeDash + u"Map:\tsnes\r\n" + std::u16string(kDashLine), std::nullopt},
        {beforeDash + u"Map:\tl\u014From\r\n" + std::u16string(kDashLine), std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.script));
        const auto header = ReadScriptHeader(c.script);
        ASSERT_EQ(header.has_value(), c.map.has_value());
        if (header) {
            EXPECT_EQ(header->job.map, *c.map);
        }
    }
    // Layouts without a pointer table have nothing to map.
    JobSettings job;
    job.map = AddressMapKind::HiRom;
    for (const TableType type : {TableType::Scattered2, TableType::PascalLine})
        EXPECT_EQ(Extract(Bytes(0x100), job, &kTable, type, TextType::Regular).message, messages::kMapNeedsTable);
}

TEST(BanksTest, TextAcrossBanksGoesOutAndBackThroughEachMap) {
    for (const BankCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const Cartridge cart = Build(c);
        const ExtractResult extracted = Extract(cart.image, cart.job, &kTable, c.tableType, TextType::Regular);
        ASSERT_TRUE(extracted.script) << Narrow(extracted.message);
        const std::u16string script = FromUtf8(*extracted.script);
        EXPECT_NE(script.find(u"XOffset:\t0\r\n"), std::u16string::npos);
        EXPECT_NE(script.find(u"Map:\t" + FromUtf8(std::string(MapName(c.map))) + u"\r\n-"), std::u16string::npos);
        const std::vector<std::u16string> lines = TextLines(script);
        ASSERT_EQ(lines.size(), cart.texts.size());
        for (std::size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i].substr(0, lines[i].find(u'[')), cart.texts[i]);

        YesPrompt prompt;
        const InsertResult same = Insert(cart.image, &kTable, script, prompt);
        ASSERT_EQ(same.outcome, InsertResult::Outcome::Written) << Narrow(same.message);
        EXPECT_TRUE(same.image == cart.image);

        const std::u16string longer = Lengthened(script);
        const InsertResult grown = Insert(cart.image, &kTable, longer, prompt);
        ASSERT_EQ(grown.outcome, InsertResult::Outcome::Written) << Narrow(grown.message);
        // Check Insert counts the filler passed over as Insert does.
        EXPECT_EQ(CheckInsert(&kTable, longer, cart.image).total - (cart.job.textEnd - cart.job.textStart + 1),
                  grown.overLimit);
        JobSettings grownJob = ReadScriptHeader(longer)->job;
        grownJob.textEnd += static_cast<std::int32_t>(grown.overLimit);
        const ExtractResult again = Extract(grown.image, grownJob, &kTable, c.tableType, TextType::Regular);
        ASSERT_TRUE(again.script);
        const std::vector<std::u16string> expected = TextLines(longer), got = TextLines(FromUtf8(*again.script));
        ASSERT_EQ(got.size(), expected.size());
        const AddressMap map(cart.job, c.imageSize, PointerWidth(c.tableType, cart.job));
        const PointerLayout layout = *LayoutOf(c.tableType, cart.job);
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].substr(0, got[i].find(u"[END]") + 5), expected[i]);
            const std::int64_t entry = cart.job.tableStart + static_cast<std::int64_t>(got.size() - 1 - i) * layout.stride;
            const std::int64_t start = map.ToOffset(*layout.Read(grown.image, entry));
            const auto length = static_cast<std::int64_t>(expected[i].size()) - 4;  // "[END]" is one byte
            EXPECT_EQ(BankIndex(c, start), BankIndex(c, start + length - 1)) << i;
        }
    }
}

// Entries holding the empty value (here the filler after the table) stay out
// of the map both ways: extract gives them "n" lines, and insert writes the
// value back even when strings move to the next bank.
TEST(BanksTest, EmptyEntriesKeepTheirValueThroughTheMap) {
    for (const BankCase& c : kCases) {
        if (c.tableType == TableType::Variation1 || c.tableType == TableType::Variation4) continue;
        SCOPED_TRACE(c.name);
        Cartridge cart = Build(c);
        const int width = PointerWidth(c.tableType, cart.job);
        const std::int64_t firstEmpty = cart.job.tableEnd + 1;
        cart.job.tableEnd += 2 * width;
        cart.job.nullPointer = width == 4 ? 0xFFFFFFFFu : (1u << (8 * width)) - 1;
        const ExtractResult extracted = Extract(cart.image, cart.job, &kTable, c.tableType, TextType::Regular);
        ASSERT_TRUE(extracted.script) << Narrow(extracted.message);
        const std::u16string script = FromUtf8(*extracted.script);
        const std::u16string map = u"\r\nMap:\t" + FromUtf8(std::string(MapName(c.map))) + u"\r\n-";
        ASSERT_NE(script.find(map), std::u16string::npos);
        EXPECT_LT(script.find(u"\r\nNullPointer:\t"), script.find(map));
        const std::u16string emptyLines = FormatHex(firstEmpty) + u" n\r\n" + FormatHex(firstEmpty + width) + u" n\r\n";
        const std::size_t body = *FindScriptBody(script);
        ASSERT_EQ(script.substr(body, emptyLines.size()), emptyLines);
        std::u16string longer = Lengthened(script.substr(0, body) + script.substr(body + emptyLines.size()));
        longer.insert(body, emptyLines);

        YesPrompt prompt;
        const InsertResult same = Insert(cart.image, &kTable, script, prompt);
        ASSERT_EQ(same.outcome, InsertResult::Outcome::Written) << Narrow(same.message);
        EXPECT_TRUE(same.image == cart.image);
        const InsertResult grown = Insert(cart.image, &kTable, longer, prompt);
        ASSERT_EQ(grown.outcome, InsertResult::Outcome::Written) << Narrow(grown.message);
        EXPECT_TRUE(std::equal(grown.image.begin() + firstEmpty, grown.image.begin() + firstEmpty + 2 * width,
                               cart.image.begin() + firstEmpty));
    }
}

TEST(BanksTest, ANarrowJobThatOutgrowsItsBankStopsAndWritesNothing) {
    TempDir dir;
    for (const BankCase& c : kCases) {
        if (PointerWidth(c.tableType, JobSettings{}) > 2) continue;
        SCOPED_TRACE(c.name);
        const Cartridge cart = Build(c);
        std::u16string script = FromUtf8(*Extract(cart.image, cart.job, &kTable, c.tableType, TextType::Regular).script);
        const std::size_t last = script.rfind(u"\r\n", script.size() - 3) + 2;
        script.insert(last, std::u16string(static_cast<std::size_t>(c.bankSize), u'Q'));
        const Bank bank{c.base + BankIndex(c, c.textStart) * c.bankSize, c.base + (BankIndex(c, c.textStart) + 1) * c.bankSize - 1};
        const std::u16string stop = messages::LeavesBank(LineNumberAt(script, last), bank.first, bank.last);

        const FrozenFile rom(dir / "game.bin", cart.image);
        YesPrompt prompt;
        const CommandResult inserted = commands::Insert({rom.path(), {{}, &kTable}, {{}, &script}}, prompt);
        EXPECT_FALSE(inserted.ok());
        EXPECT_EQ(inserted.messages.back().text, stop);
        EXPECT_TRUE(rom.Unchanged());
        const CheckReport report = CheckInsert(&kTable, script, cart.image);
        EXPECT_EQ(report.verdict, CheckReport::Verdict::Stopped);
        EXPECT_TRUE(report.text.ends_with(stop)) << Narrow(report.text);
    }
}

// Given three strings, the finder reads the table whole through its map (a
// constant offset reads at most the part within one bank), and its lines say
// which map.
TEST(BanksTest, TheFinderFindsTablesThroughTheirMaps) {
    for (const BankCase& c : kCases) {
        if (c.tableType == TableType::Variation1) continue;  // its halves' distance is guessed at bank offsets only
        SCOPED_TRACE(c.name);
        const Cartridge cart = Build(c);
        const auto count = static_cast<std::int32_t>(cart.texts.size());
        const std::int64_t last = cart.job.textEnd + 1 - static_cast<std::int64_t>(cart.texts.back().size()) - 1;
        PointerSearchRequest request;
        request.textOffsets = {c.textStart, last, c.textStart + static_cast<std::int64_t>(cart.texts[0].size()) + 1};
        const std::vector<PointerCandidate> found = FindPointerTables(cart.image, request);
        ASSERT_FALSE(found.empty());
        const PointerCandidate& best = found.front();
        const PointerCandidate expected{c.tableType, cart.job.tableStart, cart.job.tableEnd, 0, count,
                                        c.textStart, cart.job.textEnd, c.map};
        // Within one bank a constant offset reads the table as well and needs no map.
        if (best.map == AddressMapKind::None) {
            EXPECT_FALSE(PointerWidth(c.tableType, cart.job) > 2 && c.map != AddressMapKind::None);
            continue;
        }
        EXPECT_EQ(best, expected);
        const std::u16string name = FromUtf8(std::string(MapName(c.map)));
        std::u16string column = u"\t";
        column.append(name).append(u"\t");
        EXPECT_NE(FormatPointerCandidate(best, false).find(column), std::u16string::npos);
        EXPECT_TRUE(ExtractCommandLine(u"game.sfc", best, false).ends_with(std::u16string(u" --map ").append(name)));
    }
}

// A project's map stands for a script that names none ("none" for the
// script's own); a script that names another, or one that leaves its bank, stops the build with its name first.
TEST(BanksTest, BuildJobsTakeTheProjectsMap) {
    const BankCase& gb = kCases[5];
    const Cartridge cart = Build(gb);
    const std::u16string script = FromUtf8(*Extract(cart.image, cart.job, &kTable, gb.tableType, TextType::Regular).script);
    std::u16string unnamed = script;
    unnamed.erase(unnamed.find(u"Map:\tgb\r\n"), 9);
    std::u16string overflowing = script;
    overflowing.insert(overflowing.size() - 7, std::u16string(0x4000, u'Q'));
    const std::size_t lastLine = overflowing.rfind(u"\r\n", overflowing.size() - 3) + 2;
    TempDir dir;
    WriteBytes(dir / "rom.bin", cart.image);
    WriteText(dir / "letters.tbl", ToUtf8(kTableText));
    const struct {
        std::u16string script;
        std::string map;
        std::u16string stop;  // empty: the build writes the ROM as it was
    } cases[] = {
        {unnamed, "gb", u""},
        {script, "gb", u""},
        {script, "none", u""},
        {script, "lorom", u"job.txt: " + messages::ProjectMapDiffers("gb", "lorom")},
        {overflowing, "gb", u"job.txt: " + messages::LeavesBank(LineNumberAt(overflowing, lastLine), 0x14000, 0x17FFF)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.map);
        WriteText(dir / "job.txt", ToUtf8(c.script));
        WriteText(dir / "quorvex.toml", "rom = \"rom.bin\"\noutput = \"out.bin\"\nover = \"yes\"\n[[job]]\nscript = \"job.txt\"\n"
                                        "table = \"letters.tbl\"\nmap = \"" + c.map + "\"\n");
        std::filesystem::remove(dir / "out.bin");
        const CommandResult built = commands::Build({dir / "quorvex.toml", std::nullopt});
        if (c.stop.empty()) {
            ASSERT_TRUE(built.ok()) << Narrow(built.messages.back().text);
            EXPECT_TRUE(ReadBytes(dir / "out.bin") == cart.image);
        } else {
            EXPECT_EQ(built.messages.back().text, c.stop);
            EXPECT_FALSE(std::filesystem::exists(dir / "out.bin"));
        }
    }
}

}  // namespace
}  // namespace quorvex
