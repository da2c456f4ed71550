#include "search/PointerFinder.h"
#include "job/Messages.h"

#include <gtest/gtest.h>

#include <random>

using namespace quorvex;

namespace {

struct TableCase {
    TableType type;
    std::int32_t xOffset;
    std::int64_t tableAt;
    std::int64_t textAt;
    int count;
    std::uint8_t endByte;
    int padding;  // zero bytes on each side of the table
};

// A ROM of random bytes holding a block of strings (after a byte that is not
// the end byte) and their pointer table, with the traps a finder can fall
// into: where the offset allows, the zero padding reads as pointers to a
// string start; a table without padding is followed by an entry pointing just
// below the text (where no string starts; for 2-byte tables an end byte
// follows, elsewhere the bytes run into the first string) and preceded by one
// pointing at a string start far from it; read as 2-byte values, a Regular4
// table's high halves point at a string start too.
struct Image {
    std::vector<std::uint8_t> rom;
    std::vector<std::int64_t> strings;
    PointerCandidate expected;
};

Image Build(const TableCase& c, unsigned seed) {
    std::mt19937 random(seed);
    Image image;
    image.rom.resize(0x20000);
    for (auto& byte : image.rom) byte = static_cast<std::uint8_t>(random());
    std::int64_t pos = c.textAt;
    image.rom[pos - 1] = c.endByte ^ 0x5A;
    for (int j = 0; j < c.count; ++j) {
        image.strings.push_back(pos);
        for (int n = 2 + random() % 20; n > 0; --n) image.rom[pos++] = static_cast<std::uint8_t>('A' + random() % 26);
        image.rom[pos++] = c.endByte;
    }
    const bool split = c.type == TableType::Variation1;
    const int width = split ? 2 : c.type == TableType::Regular2 ? 2 : c.type == TableType::Regular3 ? 3 : 4;
    const std::int64_t size = width * c.count;
    const auto put = [&](int j, std::int64_t target) {
        const auto value = static_cast<std::uint32_t>(target - c.xOffset);
        for (int b = 0; b < width; ++b) {
            const int shift = 8 * (c.type == TableType::Variation4 ? width - 1 - b : b);
            const std::int64_t at = split ? c.tableAt + j + b * c.count : c.tableAt + width * j + b;
            image.rom[at] = static_cast<std::uint8_t>(value >> shift);
        }
    };
    std::fill_n(image.rom.begin() + c.tableAt - c.padding, size + 2 * c.padding, 0);
    if (c.padding > 0 && c.xOffset >= 1) image.rom[c.xOffset - 1] = c.endByte;
    if (c.padding == 0 && !split) {
        image.rom[c.textAt - 0x21] = c.endByte ^ 0x5A;
        for (std::int64_t i = c.textAt - 0x20; i < c.textAt; ++i)
            image.rom[i] = width == 2 && i == c.textAt - 0x10 ? c.endByte : static_cast<std::uint8_t>('a' + i % 26);
        put(c.count, c.textAt - 0x20);
        image.rom[c.textAt + 0x3000 - 1] = c.endByte;
        put(-1, c.textAt + 0x3000);
    }
    if (c.type == TableType::Regular4) {
        const std::int64_t misread = (static_cast<std::uint32_t>(c.textAt - c.xOffset) >> 16) + (c.textAt & ~0xFFFF);
        image.rom[misread - 1] = c.endByte;
    }
    for (int j = 0; j < c.count; ++j) put(j, image.strings[j]);
    const auto at = [](std::int64_t offset) { return static_cast<std::int32_t>(offset); };
    image.expected = {c.type, at(c.tableAt), at(c.tableAt + size - 1), c.xOffset, c.count, at(c.textAt), at(pos - 1)};
    return image;
}

TEST(PointerFinderTest, FindsEveryLayoutWholeWithItsOffset) {
    const TableCase cases[] = {
        {TableType::Regular2, 0x10 - 0x8000, 0x1000, 0x4000, 40, 0xFF, 0},           // NES
        {TableType::Regular2, 3 * 0x8000 - 0x8000, 0x18000, 0x12345, 60, 0x00, 16},  // LoROM, bank 3
        {TableType::Regular3, -0xC00000, 0x2001, 0x9000, 30, 0xFF, 16},             // HiROM
        {TableType::Regular4, -0x08000000, 0x3002, 0x15000, 50, 0x00, 0},           // GBA
        {TableType::Variation4, 0, 0x11000, 0x6000, 10, 0xFF, 16},  // read 1 byte early, as good a Regular4
        {TableType::Variation1, 0x10 - 0x8000, 0x2000, 0x5000, 35, 0xFF, 16},
    };
    unsigned seed = 1;
    for (const TableCase& c : cases) {
        const Image image = Build(c, seed++);
        const auto& s = image.strings;
        const PointerSearchRequest requests[] = {
            {{s[2], s[c.count - 3]}, std::nullopt, 20},
            // The block's first string: nothing tells that it is a string start.
            {{s[c.count / 2], s[0]}, std::nullopt, 20},
            {{s[0], s[c.count / 2]}, std::nullopt, 20},
            {{s[4]}, c.xOffset, 20},
        };
        for (const PointerSearchRequest& request : requests) {
            SCOPED_TRACE(testing::Message() << "type " << static_cast<int>(c.type) << ", offsets "
                                            << request.textOffsets.size() << " from " << request.textOffsets[0]);
            ASSERT_EQ(CheckPointerSearch(image.rom, request), std::nullopt);
            const std::vector<PointerCandidate> found = FindPointerTables(image.rom, request);
            ASSERT_FALSE(found.empty());
            const std::u16string line = FormatPointerCandidate(found[0], false);
            EXPECT_EQ(found[0], image.expected) << std::string(line.begin(), line.end());
        }
    }
}

TEST(PointerFinderTest, NothingWhereNoTableHoldsTheStrings) {
    const TableCase nes{TableType::Regular2, 0x10 - 0x8000, 0x1000, 0x4000, 40, 0xFF, 16};
    Image image = Build(nes, 9);
    const auto& s = image.strings;
    // One byte into the strings: the table points near them, not at them.
    EXPECT_TRUE(FindPointerTables(image.rom, {{s[3] + 1, s[30] + 1}, std::nullopt, 20}).empty());
    // The table wiped but for two pointers to the given strings, which alone are no table.
    std::mt19937 random(10);
    for (std::int64_t i = 0x1000; i < 0x1000 + 80; ++i) image.rom[i] = static_cast<std::uint8_t>(random());
    for (const int j : {3, 30}) {
        const auto value = static_cast<std::uint16_t>(s[j] - nes.xOffset);
        image.rom[0x1010 + (j == 3 ? 0 : 2)] = static_cast<std::uint8_t>(value);
        image.rom[0x1011 + (j == 3 ? 0 : 2)] = static_cast<std::uint8_t>(value >> 8);
    }
    EXPECT_TRUE(FindPointerTables(image.rom, {{s[3], s[30]}, std::nullopt, 20}).empty());
    EXPECT_TRUE(FindPointerTables(image.rom, {{s[3]}, nes.xOffset, 20}).empty());
    const std::vector<std::uint8_t> zeros(0x10000);
    EXPECT_TRUE(FindPointerTables(zeros, {{0x100, 0x200}, std::nullopt, 20}).empty());
}

TEST(PointerFinderTest, RefusesRequestsItCannotSearch) {
    const std::vector<std::uint8_t> rom(0x100, 0x41);
    const std::pair<PointerSearchRequest, std::optional<std::u16string_view>> cases[] = {
        {{{}, std::nullopt, 20}, messages::kPointerSearchNeedsOffsets},
        {{{5}, std::nullopt, 20}, messages::kPointerSearchNeedsOffsets},
        {{{5, 5}, std::nullopt, 20}, messages::kPointerSearchNeedsOffsets},
        {{{}, 0, 20}, messages::kPointerSearchNeedsOffsets},
        {{{5, 0x100}, std::nullopt, 20}, messages::kTextOffsetOutsideRom},
        {{{-1}, 0, 20}, messages::kTextOffsetOutsideRom},
        {{{5}, 0, 20}, std::nullopt},
        {{{5, 0xFF}, std::nullopt, 0}, std::nullopt},
    };
    for (const auto& [request, refusal] : cases) {
        EXPECT_EQ(CheckPointerSearch(rom, request), refusal);
        EXPECT_TRUE(FindPointerTables(rom, request).empty());
    }
}

TEST(PointerFinderTest, WritesCandidateAndExtractCommand) {
    const PointerCandidate candidate{TableType::Regular2, 0x1000, 0x104F, -0x7FF0, 40, 0x4000, 0x4321};
    EXPECT_EQ(FormatPointerCandidate(candidate, false), u"Regular2\t1000\t104F\tFFFF8010\t28\t4000\t4321");
    EXPECT_EQ(FormatPointerCandidate(candidate, true), u"Regular2\t4096\t4175\t-32752\t40\t16384\t17185");
    EXPECT_EQ(ExtractCommandLine(u"game.nes", candidate, false),
              u"quorvex-cli extract --rom game.nes --table-type Regular2 --table-start 1000 --table-end 104F "
              u"--text-start 4000 --text-end 4321 --x-offset FFFF8010");
    EXPECT_EQ(ExtractCommandLine(u"my game's.nes", candidate, true),
              u"quorvex-cli extract --rom 'my game'\\''s.nes' --dec --table-type Regular2 --table-start 4096 "
              u"--table-end 4175 --text-start 16384 --text-end 17185 --x-offset=-32752");
}

}  // namespace

// A message table of 256 entries, 19 in use and the rest holding the blank
// value, among random bytes: found whole, first to last real entry, from one
// string and the X000 Offset (one whose entry has blanks on both sides) or
// from two strings, and its extract line names the blank value.
TEST(PointerFinderTest, CrossesEmptyEntriesOfASparseTable) {
    struct SparseCase {
        TableType type;
        int width;
        std::uint32_t blank;
        const char16_t* nullPointer;
    };
    const SparseCase cases[] = {
        {TableType::Regular2, 2, 0, u" --null-pointer 0"},
        {TableType::Regular2, 2, 0xFFFF, u" --null-pointer FFFF"},
        {TableType::Regular3, 3, 0xFFFFFF, u" --null-pointer FFFFFF"},
    };
    const int used[] = {5, 9, 10, 30, 60, 61, 90, 120, 121, 122, 150, 170, 171, 200, 220, 221, 239, 245, 250};
    const std::int32_t xOffset = 0xC000;  // the fourth 16 KiB bank, read at 4000
    const std::int64_t tableAt = 0x3000;
    for (const SparseCase& c : cases) {
        std::mt19937 random(7);
        std::vector<std::uint8_t> rom(0x20000);
        for (auto& byte : rom) byte = static_cast<std::uint8_t>(random());
        std::vector<std::int64_t> strings;
        std::int64_t pos = 0x10000;
        rom[pos - 1] = 0x42;
        for (int j = 0; j < 19; ++j) {
            strings.push_back(pos);
            for (int n = 3 + random() % 15; n > 0; --n) rom[pos++] = static_cast<std::uint8_t>('A' + random() % 26);
            rom[pos++] = 0;
        }
        for (int i = 0, j = 0; i < 256; ++i) {
            const bool real = j < 19 && used[j] == i;
            const std::uint32_t value = real ? static_cast<std::uint32_t>(strings[j++] - xOffset) : c.blank;
            for (int b = 0; b < c.width; ++b) rom[tableAt + c.width * i + b] = static_cast<std::uint8_t>(value >> 8 * b);
        }
        const PointerCandidate expected{c.type, static_cast<std::int32_t>(tableAt + c.width * 5),
                                        static_cast<std::int32_t>(tableAt + c.width * 251 - 1), xOffset, 246, 0x10000,
                                        static_cast<std::int32_t>(pos - 1), AddressMapKind::None, c.blank};
        const PointerSearchRequest requests[] = {
            {{strings[4]}, xOffset, 20},
            {{strings[1], strings[15]}, std::nullopt, 20},
        };
        for (const PointerSearchRequest& request : requests) {
            SCOPED_TRACE(testing::Message() << "blank " << c.blank << ", offsets " << request.textOffsets.size());
            const std::vector<PointerCandidate> found = FindPointerTables(rom, request);
            ASSERT_FALSE(found.empty());
            const std::u16string line = FormatPointerCandidate(found[0], false);
            EXPECT_EQ(found[0], expected) << std::string(line.begin(), line.end());
            EXPECT_TRUE(ExtractCommandLine(u"game.gbc", found[0], false).ends_with(c.nullPointer));
        }
    }
}
