#include "ScriptBuilders.h"
#include "TestSupport.h"

#include "job/CTextEngine.h"
#include "job/Messages.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <random>

using namespace quorvex;
using namespace quorvex::test;

namespace {

// An engine holding a ROM written to and read back from a real file.
class PointerTableTest : public ::testing::Test {
protected:
    CTextEngine& EngineOver(const std::vector<std::uint8_t>& bytes) {
        WriteBytes(dir / "rom.bin", bytes);
        engine.UseRom(RomFile::OpenForReading(dir / "rom.bin"));
        return engine;
    }

    std::vector<PointerEntry> Read(const std::vector<std::uint8_t>& bytes, TableType type) {
        EngineOver(bytes).ReadPointerTable(type);
        return engine.Entries();
    }

    TempDir dir;
    CTextEngine engine;
};

std::vector<std::int32_t> Addresses(const std::vector<PointerEntry>& entries) {
    std::vector<std::int32_t> result;
    for (const auto& entry : entries) result.push_back(entry.address);
    return result;
}

std::vector<std::int32_t> Locations(const std::vector<PointerEntry>& entries) {
    std::vector<std::int32_t> result;
    for (const auto& entry : entries) result.push_back(entry.location);
    return result;
}

// The procedure the order must match, taken literally.
void ExchangeSort(std::vector<PointerEntry>& entries) {
    for (std::size_t i = 0; i + 1 < entries.size(); ++i)
        for (std::size_t j = i + 1; j < entries.size(); ++j)
            if (entries[j].address < entries[i].address) std::swap(entries[i], entries[j]);
}

std::vector<PointerEntry> RandomEntries(std::mt19937& random, std::size_t count, std::int32_t low, std::int32_t high) {
    std::uniform_int_distribution<std::int32_t> address(low, high);
    std::vector<PointerEntry> entries(count);
    for (std::size_t i = 0; i < count; ++i) entries[i] = {address(random), static_cast<std::int32_t>(i)};
    return entries;
}

}  // namespace

TEST_F(PointerTableTest, FixedLayoutsReadEveryEntryWhoseFirstByteIsBeforeTableEnd) {
    using V = std::vector<std::int32_t>;
    const auto rom = RomBuilder(0x200).Put(0x100, {0x10, 0x80, 0x20, 0x80, 0x30, 0x80, 0x40, 0x80}).bytes();
    for (const std::int32_t tableEnd : {0x107, 0x108}) {
        engine.settings = Job(0x100, tableEnd, 0, 0);
        const auto entries = Read(rom, TableType::Regular2);
        EXPECT_EQ(Addresses(entries), (V{0x8010, 0x8020, 0x8030, 0x8040})) << tableEnd;
        EXPECT_EQ(Locations(entries), (V{0x100, 0x102, 0x104, 0x106})) << tableEnd;
        // Variation1: the low bytes, then the high bytes half a table further.
        engine.settings = Job(0x100, tableEnd, 0, 0);
        const auto v1 = Read(rom, TableType::Variation1);
        EXPECT_EQ(Addresses(v1), (V{0x3010, 0x8080, 0x4020, 0x8080})) << tableEnd;
        EXPECT_EQ(Locations(v1), (V{0x100, 0x101, 0x102, 0x103})) << tableEnd;
    }
    engine.settings = Job(0x100, 0x106, 0, 0);
    EXPECT_EQ(Addresses(Read(rom, TableType::Regular2)), (V{0x8010, 0x8020, 0x8030}));

    engine.settings = Job(0x10, 0x14, 0, 0);
    EXPECT_EQ(Addresses(Read(RomBuilder(0x20).Put(0x10, {0x00, 0x01, 0x80, 0x10}).bytes(), TableType::Variation4)),
              V{0x18010});
    engine.settings = Job(0x10, 0x13, 0, 0);
    EXPECT_EQ(Addresses(Read(RomBuilder(0x20).Put(0x10, {0x10, 0x80, 0x01}).bytes(), TableType::Regular3)),
              V{0x18010});
    engine.settings = Job(0x10, 0x18, 0, 0);
    auto entries = Read(RomBuilder(0x20).Put(0x10, {0x10, 0, 0, 0, 0, 0, 0, 0x80}).bytes(), TableType::Regular4);
    EXPECT_EQ(Addresses(entries), (V{0x10, std::numeric_limits<std::int32_t>::min()}));
    SortEntries(entries);
    EXPECT_EQ(Locations(entries), (V{0x14, 0x10}));

    // PascalLine: one length byte per entry, through Table End.
    const auto lengths = RomBuilder(0x400).Put(0x300, {0x05, 0x00, 0xC8, 0x07}).bytes();
    engine.settings = Job(0x300, 0x302, 0, 0);
    entries = Read(lengths, TableType::PascalLine);
    EXPECT_EQ(Addresses(entries), (V{5, 0, 200}));
    EXPECT_EQ(Locations(entries), (V{0x300, 0x301, 0x302}));
    EXPECT_FALSE(engine.adjustPointers);
    engine.settings = Job(0x300, 0x303, 0, 0);
    EXPECT_EQ(Addresses(Read(lengths, TableType::PascalLine)), (V{5, 0, 200, 7}));
}

TEST_F(PointerTableTest, WithoutATableEveryOrdinaryLayoutGivesTheTextStartEntry) {
    for (const TableType type : {TableType::Regular2, TableType::Variation1, TableType::PascalLine,
                                 TableType::Regular3, TableType::Regular4, TableType::Variation4}) {
        engine.settings = Job(0, 0, 0x40, 0);
        engine.adjustPointers = true;
        EXPECT_EQ(Read(RomBuilder(0x80).bytes(), type), (std::vector<PointerEntry>{{0x40, -1}}))
            << static_cast<int>(type);
        EXPECT_TRUE(engine.adjustPointers);
    }
    // A type no layout knows adds nothing, table or not.
    engine.settings = Job(0x10, 0x20, 0x40, 0);
    EXPECT_TRUE(Read(RomBuilder(0x80).bytes(), static_cast<TableType>(9)).empty());
}

TEST_F(PointerTableTest, Custom1ReadsItsFixedTableAndRewritesTheTableRange) {
    RomBuilder rom(0x4000);
    for (int j = 0; j < 19; ++j)
        rom.Put(0x3DB0 + 3 * j, {static_cast<std::uint8_t>(j + 1), static_cast<std::uint8_t>(0x10 + j),
                                 static_cast<std::uint8_t>(0x80 + j)});
    engine.settings = Job(0x1234, 0x5678, 0, 0);  // ignored
    const auto entries = Read(rom.bytes(), TableType::Custom1);
    ASSERT_EQ(entries.size(), 19u);
    EXPECT_EQ(entries[0], (PointerEntry{0x20, 1}));
    EXPECT_EQ(entries[1], (PointerEntry{0x8111 - 0x7FF0, 2}));
    EXPECT_EQ(entries[18], (PointerEntry{0x9222 - 0x7FF0, 19}));
    EXPECT_EQ(engine.settings.xOffset, -0x7FF0);
    EXPECT_EQ(engine.settings.tableStart, 0x3DB0);
    EXPECT_EQ(engine.settings.tableEnd, 0x3DE6);
    EXPECT_FALSE(engine.adjustPointers);
}

TEST_F(PointerTableTest, TablesStopAtTheEndOfTheFile) {
    // Regular2: the entry at 0x14 would need a byte past the end of the 0x15-byte file.
    const auto rom = RomBuilder(0x15).bytes();
    engine.settings = Job(0x10, 0x7FFFFFFF, 0, 0);
    EXPECT_EQ(Locations(Read(rom, TableType::Regular2)), (std::vector<std::int32_t>{0x10, 0x12}));
    EXPECT_EQ(Locations(Read(rom, TableType::Regular4)), (std::vector<std::int32_t>{0x10}));
    EXPECT_EQ(Read(rom, TableType::PascalLine).size(), 5u);
    // Variation1: the high half lies beyond the file, so nothing can be read.
    EXPECT_TRUE(Read(rom, TableType::Variation1).empty());
    engine.settings.tableEnd = 0x18;  // half 4: lows at 0x10.., highs at 0x14..0x17
    EXPECT_EQ(Locations(Read(RomBuilder(0x16).bytes(), TableType::Variation1)), (std::vector<std::int32_t>{0x10, 0x11}));

    // Custom1: entries the file does not hold whole are left out, the others kept.
    const auto entries = Read(RomBuilder(0x3DB0 + 3 * 5 + 2).Put(0x3DB0, {0x02, 0x00, 0x80}).bytes(),
                              TableType::Custom1);
    EXPECT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries.front(), (PointerEntry{0x10, 2}));
    EXPECT_EQ(engine.settings.tableEnd, 0x3DE6);
}

TEST_F(PointerTableTest, ScatteredEndsAStringWithTheLastCommandOfARun) {
    using V = std::vector<std::int32_t>;
    engine.settings = Job(0, 0, 0x10, 0x16, 0, 0xFF, 1);
    const auto rom = RomBuilder(0x20).Put(0x10, {0x41, 0x42, 0xFF, 0x43, 0xFF, 0xFF, 0x44}).bytes();
    EXPECT_EQ(Read(rom, TableType::Scattered2), (std::vector<PointerEntry>{{0x10, 0}, {0x13, 0}, {0x16, 0}}));
    EXPECT_FALSE(engine.adjustPointers);

    // FF00 is the ROM bytes 00 FF; two commands back to back end two strings.
    engine.settings = Job(0, 0, 0x10, 0x15, 0, 0xFF00, 2);
    EXPECT_EQ(Addresses(Read(RomBuilder(0x20).Put(0x10, {0x41, 0x00, 0xFF, 0x00, 0xFF, 0x42}).bytes(),
                             TableType::Scattered4)),
              (V{0x10, 0x13, 0x15}));

    // Only the command's own two bytes are compared: FF 00 matches 00FF whatever follows it...
    const auto padded = RomBuilder(0x20).Put(0x10, {0x41, 0xFF, 0x00, 0x41, 0xFF, 0x42}).bytes();
    engine.settings = Job(0, 0, 0x10, 0x15, 0, 0x00FF, 2);
    EXPECT_EQ(Addresses(Read(padded, TableType::Scattered2)), (V{0x10, 0x13}));
    // ...and a 1-byte command never equals a value with bits above its byte.
    engine.settings = Job(0, 0, 0x10, 0x15, 0, 0x1FF, 1);
    EXPECT_EQ(Read(padded, TableType::Scattered2).size(), 1u);

    const auto two = RomBuilder(0x20).Put(0x10, {0x41, 0xFF, 0x42, 0xFF}).bytes();
    engine.settings = Job(0, 0, 0x10, 0, 0, 0xFF, 1);
    EXPECT_TRUE(Read(two, TableType::Scattered2).empty());
    // Without a command length nothing ends a string: the region is one string.
    engine.settings = Job(0, 0, 0x10, 0x13, 0, 0xFF, 0);
    EXPECT_EQ(Addresses(Read(two, TableType::Scattered2)), V{0x10});
    // A region running past the file ends with the file: no string starts beyond it.
    engine.settings = Job(0, 0, 0x10, 0x100, 0, 0xFF, 1);
    EXPECT_EQ(Addresses(Read(RomBuilder(0x14).Put(0x10, {0x41, 0xFF, 0x42, 0xFF}).bytes(), TableType::Scattered2)),
              (V{0x10, 0x12}));
    // A command cut off by the end of the file: the last FF would need its
    // partner byte from past the end, so the file's end, not a command, ends it.
    engine.settings = Job(0, 0, 0x10, 0x100, 0, 0x00FF, 2);
    EXPECT_EQ(Addresses(Read(RomBuilder(0x14).Put(0x10, {0x41, 0xFF, 0x00, 0xFF}).bytes(), TableType::Scattered2)),
              (V{0x10, 0x13}));
}

TEST_F(PointerTableTest, RoundHalfUpRoundsHalvesUpAndNegativesTowardZero) {
    EXPECT_EQ(RoundHalfUp(3.5f), 4);
    EXPECT_EQ(RoundHalfUp(3.49f), 3);
    EXPECT_EQ(RoundHalfUp(4.0f), 4);
    EXPECT_EQ(RoundHalfUp(0.0f), 0);
    EXPECT_EQ(RoundHalfUp(-2.5f), -2);
    EXPECT_EQ(RoundHalfUp(-2.7f), -2);
    EXPECT_EQ(RoundHalfUp(1e20f), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(RoundHalfUp(-1e20f), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(RoundHalfUp(std::numeric_limits<float>::quiet_NaN()), 0);
}

TEST(SortEntriesTest, KnownOrdersOfEqualAddresses) {
    // The hand carries the first 5 past the second: the exchange sort is not stable.
    std::vector<PointerEntry> entries{{5, 0}, {5, 1}, {3, 2}};
    SortEntries(entries);
    EXPECT_EQ(entries, (std::vector<PointerEntry>{{3, 2}, {5, 1}, {5, 0}}));

    std::vector<PointerEntry> sorted{{1, 9}, {1, 8}, {2, 7}, {2, 6}};
    SortEntries(sorted);
    EXPECT_EQ(sorted, (std::vector<PointerEntry>{{1, 9}, {1, 8}, {2, 7}, {2, 6}}));
}

TEST(SortEntriesTest, MatchesTheExchangeSortOnRandomListsWithManyDuplicates) {
    std::mt19937 random(20261206);
    std::uniform_int_distribution<int> size(0, 120);
    for (int trial = 0; trial < 4000; ++trial) {
        const std::int32_t range = 1 + trial % 12;
        auto entries = RandomEntries(random, static_cast<std::size_t>(size(random)), -range / 2, range);
        auto expected = entries;
        ExchangeSort(expected);
        SortEntries(entries);
        ASSERT_EQ(entries, expected) << "trial " << trial;
    }
    // Larger lists, from nearly all equal to nearly all distinct, and structured ones.
    std::vector<std::vector<PointerEntry>> lists;
    for (const std::int32_t range : {1, 2, 7, 40, 300, 5000, 1000000}) lists.push_back(RandomEntries(random, 2500, 0, range));
    std::vector<PointerEntry> reversed, sawtooth, blocks, extremes;
    for (std::int32_t i = 0; i < 600; ++i) {
        reversed.push_back({600 - i / 2, i});
        sawtooth.push_back({(i * 7) % 13, i});
        blocks.push_back({i < 300 ? 1 : 0, i});
        extremes.push_back({i % 2 ? INT32_MIN : INT32_MAX, i});
    }
    lists.insert(lists.end(), {reversed, sawtooth, blocks, extremes});
    for (std::size_t i = 0; i < lists.size(); ++i) {
        auto expected = lists[i];
        ExchangeSort(expected);
        SortEntries(lists[i]);
        ASSERT_EQ(lists[i], expected) << "list " << i;
    }
}

TEST(SortEntriesTest, LargeRandomListsSortQuickly) {
    std::mt19937 random(7);
    for (const std::int32_t range : {30, 256, 30000, 0x7FFFFFFF}) {
        auto entries = RandomEntries(random, kMaxEntries, 0, range);
        const auto begin = std::chrono::steady_clock::now();
        SortEntries(entries);
        const auto elapsed = std::chrono::steady_clock::now() - begin;
        EXPECT_TRUE(std::is_sorted(entries.begin(), entries.end(),
                                   [](const auto& a, const auto& b) { return a.address < b.address; }));
        // Generous, as this also runs in instrumented builds; the exchange sort takes minutes there.
        EXPECT_LT(std::chrono::duration<double>(elapsed).count(), 2.0) << "range " << range;
    }
}

TEST_F(PointerTableTest, ExtractRefusesMoreThan65535EntriesAndCommandsOverFourBytes) {
    const auto extract = [&](const char* name, const std::vector<std::uint8_t>& rom, const JobSettings& job,
                             TableType type) {
        WriteBytes(dir / name, rom);
        RecordingPrompt prompt;
        engine = CTextEngine{};
        engine.settings = job;
        const bool done = engine.Extract(dir / name, nullptr, type, TextType::Regular, prompt).has_value();
        EXPECT_EQ(prompt.messages.size(), 1u);
        return done ? std::u16string(messages::kDone) : prompt.messages.at(0);
    };
    const std::u16string tooMany(messages::kTooManyEntries);
    // 65,536 two-byte pointers, all to offset 0; then one fewer.
    const std::vector<std::uint8_t> big(0x10 + 2 * 65536 + 0x10, 0);
    const std::int32_t text = 0x10 + 2 * 65536;
    EXPECT_EQ(extract("big.bin", big, Job(0x10, text, text, text + 1), TableType::Regular2), tooMany);
    EXPECT_EQ(extract("big.bin", big, Job(0x10, text - 2, text, text + 1), TableType::Regular2), messages::kDone);
    EXPECT_EQ(engine.Entries().size(), kMaxEntries);

    // The same limit for strings cut by an End Dialog Command: each follows a text byte.
    std::vector<std::uint8_t> alternating(2 * 65536);
    for (std::size_t i = 0; i < alternating.size(); ++i) alternating[i] = i % 2 ? 0xFF : 0x41;
    EXPECT_EQ(extract("commands.bin", alternating,
                      Job(0, 0, 0, static_cast<std::int32_t>(alternating.size() - 1), 0, 0xFF, 1),
                      TableType::Scattered2),
              tooMany);

    for (const TableType type : {TableType::Scattered2, TableType::Scattered4})
        EXPECT_EQ(extract("rom.bin", RomBuilder(0x40).bytes(), Job(0, 0, 0x10, 0x20, 0, 0x12345678, 5), type),
                  messages::kCommandTooLong);
}
