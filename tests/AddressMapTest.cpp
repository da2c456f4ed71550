#include "pointers/AddressMap.h"

#include <gtest/gtest.h>

#include <optional>

namespace quorvex {
namespace {

struct MapCase {
    AddressMapKind map;
    std::size_t imageSize;
    std::int32_t textStart;
    int width;
    std::uint32_t value;   // read from the entry, and what writing gives back with `old`
    std::int64_t offset;
    std::uint32_t old;
};

constexpr std::size_t kMiB = 0x100000;

TEST(AddressMapTest, ValuesAndOffsetsGoBothWays) {
    const MapCase cases[] = {
        {AddressMapKind::None, kMiB, 0x100, 2, 0x8010, 0x8020, 0},  // X000 Offset 10
        {AddressMapKind::LoRom, kMiB, 0xC4000, 3, 0x98C000, 0xC4000, 0x808000},        // FastROM
        {AddressMapKind::LoRom, kMiB, 0xC4000, 3, 0x18C000, 0xC4000, 0x008000},        // SlowROM
        {AddressMapKind::LoRom, kMiB, 0xC4000, 4, 0x1298C000, 0xC4000, 0x12808000},    // the high byte stays
        {AddressMapKind::LoRom, kMiB + 0x200, 0xC4200, 3, 0x98C000, 0xC4200, 0x808000},  // copier header
        {AddressMapKind::LoRom, kMiB, 0xC4100, 2, 0xC123, 0xC4123, 0x8000},            // bank from Text Start
        {AddressMapKind::HiRom, kMiB, 0x12000, 3, 0xC12345, 0x12345, 0xC00000},
        {AddressMapKind::HiRom, kMiB, 0x12000, 3, 0x412345, 0x12345, 0x400000},
        {AddressMapKind::HiRom, kMiB + 0x200, 0x12000, 2, 0x2345, 0x12545, 0},
        {AddressMapKind::ExHiRom, 6 * kMiB, 0x12000, 3, 0xC01234, 0x1234, 0x400000},
        {AddressMapKind::ExHiRom, 6 * kMiB, 0x12000, 3, 0x401234, 0x401234, 0x400000},
        {AddressMapKind::GameBoy, kMiB, 0x14000, 2, 0x4567, 0x14567, 0},
        {AddressMapKind::GameBoy, kMiB, 0x14000, 2, 0x1234, 0x1234, 0},                // the fixed bank 0
        {AddressMapKind::Nes, kMiB, 0x8010, 2, 0x8123, 0x8133, 0x8000},
        {AddressMapKind::Nes, kMiB, 0x8010, 2, 0xC123, 0x8133, 0xC000},                // the last bank's window
    };
    for (const MapCase& c : cases) {
        SCOPED_TRACE(testing::Message() << MapName(c.map) << " " << std::hex << c.value);
        JobSettings job;
        job.map = c.map;
        job.textStart = c.textStart;
        job.xOffset = 0x10;
        const AddressMap map(job, c.imageSize, c.width);
        EXPECT_EQ(map.ToOffset(c.value), c.offset);
        EXPECT_EQ(map.ToPointer(c.offset, c.old), c.value);
    }
}

TEST(AddressMapTest, NarrowPointersReachOnlyTheTextBank) {
    const struct {
        AddressMapKind map;
        std::int32_t textStart;
        int width;
        std::int64_t outside;
    } cases[] = {
        {AddressMapKind::GameBoy, 0x14000, 2, 0x18000},
        {AddressMapKind::Nes, 0x8010, 2, 0x8000},
        {AddressMapKind::LoRom, 0xC4000, 2, 0xC8000},
        {AddressMapKind::LoRom, 0x4000, 3, 0x8000000},  // past what a LoROM bank number reaches
        {AddressMapKind::HiRom, 0x4000, 3, 0x400000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(MapName(c.map));
        JobSettings job;
        job.map = c.map;
        job.textStart = c.textStart;
        EXPECT_EQ(AddressMap(job, kMiB, c.width).ToPointer(c.outside, 0), std::nullopt);
    }
}

TEST(AddressMapTest, StringsMoveToTheNextBankOrHaveNoPlace) {
    const struct {
        AddressMapKind map;
        std::size_t imageSize;
        int width;
        std::int64_t position, length, at;
        std::optional<Bank> leaves;
    } cases[] = {
        {AddressMapKind::None, kMiB, 2, 0x7FFE, 3, 0x7FFE, std::nullopt},
        {AddressMapKind::LoRom, kMiB, 3, 0x87FFD, 3, 0x87FFD, std::nullopt},   // ends on the last byte
        {AddressMapKind::LoRom, kMiB, 3, 0x87FFE, 3, 0x88000, std::nullopt},
        {AddressMapKind::LoRom, kMiB + 0x200, 3, 0x881FE, 3, 0x88200, std::nullopt},
        {AddressMapKind::HiRom, kMiB, 4, 0x8FFFF, 2, 0x90000, std::nullopt},
        {AddressMapKind::LoRom, kMiB, 3, 0x87FFE, 0x8001, 0x88000, Bank{0x88000, 0x8FFFF}},  // longer than a bank
        {AddressMapKind::LoRom, kMiB, 2, 0x87FFE, 3, 0x87FFE, Bank{0x80000, 0x87FFF}},
        {AddressMapKind::GameBoy, kMiB, 2, 0x83FFF, 2, 0x83FFF, Bank{0x80000, 0x83FFF}},
        {AddressMapKind::Nes, kMiB, 2, 0x8000F, 2, 0x8000F, Bank{0x7C010, 0x8000F}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << MapName(c.map) << " " << std::hex << c.position);
        JobSettings job;
        job.map = c.map;
        job.textStart = 0x80000;
        const AddressMap::Placement placed = AddressMap(job, c.imageSize, c.width).Place(c.position, c.length);
        EXPECT_EQ(placed.at, c.at);
        EXPECT_EQ(placed.leaves, c.leaves);
    }
}

}  // namespace
}  // namespace quorvex
