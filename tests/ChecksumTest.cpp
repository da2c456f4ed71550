#include "patch/Checksum.h"

#include <gtest/gtest.h>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

using namespace quorvex;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes Random(std::size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    Bytes bytes(size);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(rng());
    return bytes;
}

std::string Line(const ChecksumReport& report, bool fixed = false) {
    const auto line = ChecksumLine(report, fixed);
    return std::string(line.begin(), line.end());
}

// The SNES sum the long way: the image mirrored out to a power of two in a
// buffer of its own, checksum 0000 and complement FFFF, every byte added.
std::uint32_t SnesSumByMirroring(const Bytes& rom, std::size_t header) {
    std::size_t whole = 1;
    while (whole * 2 <= rom.size()) whole *= 2;
    Bytes mirrored(rom.begin(), rom.begin() + static_cast<std::ptrdiff_t>(whole));
    for (std::size_t k = 0; rom.size() > whole && k < whole; ++k)
        mirrored.push_back(rom[whole + k % (rom.size() - whole)]);
    mirrored[header + 0x1C] = mirrored[header + 0x1D] = 0xFF;
    mirrored[header + 0x1E] = mirrored[header + 0x1F] = 0x00;
    std::uint32_t sum = 0;
    for (const auto byte : mirrored) sum += byte;
    return sum & 0xFFFF;
}

}  // namespace

TEST(ChecksumTest, SnesSumsMirroredImagesAndPicksTheConsistentHeader) {
    const struct {
        ChecksumSystem system;
        std::size_t size;
        bool copier;
        std::uint8_t mapMode;
    } cases[] = {
        {ChecksumSystem::SnesLoRom, 0x100000, false, 0x20}, {ChecksumSystem::SnesLoRom, 0x180000, false, 0x30},
        {ChecksumSystem::SnesLoRom, 0x160000, true, 0x20},  {ChecksumSystem::SnesHiRom, 0x200000, false, 0x21},
        {ChecksumSystem::SnesHiRom, 0x10000, true, 0x31},   {ChecksumSystem::SnesHiRom, 0x300000, false, 0x35},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(ChecksumSystemName(c.system)) + " " + std::to_string(c.size));
        Bytes rom = Random(c.size, static_cast<unsigned>(c.size));
        std::fill_n(rom.begin(), 0x200, 0);  // nothing another system's header would be taken for
        const std::size_t header = c.system == ChecksumSystem::SnesLoRom ? 0x7FC0 : 0xFFC0;
        rom[header + 0x15] = c.mapMode;
        rom[header + 0x1C] = 0xCB, rom[header + 0x1D] = 0xED, rom[header + 0x1E] = 0x34, rom[header + 0x1F] = 0x12;
        const std::uint32_t expected = SnesSumByMirroring(rom, header);
        Bytes image = rom;
        if (c.copier) image.insert(image.begin(), 512, 0xEE);

        for (const auto choice : {ChecksumChoice::Auto, ChecksumChoice::Snes})
            EXPECT_EQ(ChooseChecksumSystem(image, choice), c.system);
        const auto before = FixChecksum(image, c.system);
        ASSERT_TRUE(before);
        EXPECT_EQ(before->stored, 0x1234u);
        EXPECT_EQ(before->computed, expected);
        EXPECT_EQ(before->right, expected == 0x1234);
        const std::size_t at = (c.copier ? 512 : 0) + header;
        EXPECT_EQ(image[at + 0x1E] | image[at + 0x1F] << 8, static_cast<int>(expected));
        EXPECT_EQ(image[at + 0x1C] | image[at + 0x1D] << 8, static_cast<int>(expected ^ 0xFFFF));
        const auto after = CheckChecksum(image, c.system);
        EXPECT_TRUE(after->right);
        EXPECT_EQ(after->computed, expected);
    }
    // Zeros, the map-mode byte 20 and the pair counted as 00 00 FF FF: 20 + FF + FF = 021E.
    // A right sum with a complement that does not match it is still wrong.
    Bytes rom(0x8000, 0);
    rom[0x7FD5] = 0x20;
    ASSERT_TRUE(FixChecksum(rom, ChecksumSystem::SnesLoRom));
    EXPECT_EQ(Line(*CheckChecksum(rom, ChecksumSystem::SnesLoRom)), "snes-lorom: stored 021E, computed 021E, right");
    rom[0x7FDC] ^= 1;
    EXPECT_FALSE(CheckChecksum(rom, ChecksumSystem::SnesLoRom)->right);
}

TEST(ChecksumTest, GameBoyHeaderAndGlobalChecksums) {
    Bytes image = Random(0x8000, 9);
    const std::uint8_t logo[] = {0xCE, 0xED, 0x66, 0x66};
    std::copy(std::begin(logo), std::end(logo), image.begin() + 0x104);
    // x = x - byte - 1 over 25 bytes is minus their sum minus 25.
    int headerSum = 0;
    for (int at = 0x134; at <= 0x14C; ++at) headerSum += image[at];
    const auto header = static_cast<std::uint8_t>(-headerSum - 25);
    image[0x14D] = header;
    std::uint32_t global = 0;
    for (std::size_t at = 0; at < image.size(); ++at) global += at == 0x14E || at == 0x14F ? 0 : image[at];
    global &= 0xFFFF;
    image[0x14D] ^= 0x5A, image[0x14E] = 0x12, image[0x14F] = 0x34;

    EXPECT_EQ(ChooseChecksumSystem(image, ChecksumChoice::Auto), ChecksumSystem::Gb);
    const auto before = FixChecksum(image, ChecksumSystem::Gb);
    ASSERT_TRUE(before);
    EXPECT_EQ(before->storedGlobal, 0x1234u);
    EXPECT_EQ(before->computed, header);
    EXPECT_EQ(before->computedGlobal, global);
    char expected[80];
    std::snprintf(expected, sizeof expected, "gb: stored %02X/1234, computed %02X/%04X, fixed", header ^ 0x5A, header,
                  global);
    EXPECT_EQ(Line(*before, true), expected);
    EXPECT_EQ(image[0x14D], header);
    EXPECT_EQ(image[0x14E] << 8 | image[0x14F], static_cast<int>(global));
    EXPECT_TRUE(CheckChecksum(image, ChecksumSystem::Gb)->right);
}

TEST(ChecksumTest, GameBoyAdvanceAndMegaDriveOnHandMadeImages) {
    // Zeros but for 0x96 at 0xB2 (inside the summed range) and a branch at the entry:
    // the complement is -0x96 - 0x19 = 0x51.
    Bytes gba(0xC0, 0);
    gba[3] = 0xEA, gba[0xB2] = 0x96;
    EXPECT_EQ(ChooseChecksumSystem(gba, ChecksumChoice::Auto), ChecksumSystem::Gba);
    EXPECT_EQ(Line(*CheckChecksum(gba, ChecksumSystem::Gba)), "gba: stored 00, computed 51, wrong");
    EXPECT_EQ(Line(*FixChecksum(gba, ChecksumSystem::Gba), true), "gba: stored 00, computed 51, fixed");
    EXPECT_EQ(Line(*CheckChecksum(gba, ChecksumSystem::Gba)), "gba: stored 51, computed 51, right");
    for (unsigned byte = 0; byte < 256; ++byte) {  // the one complement that makes the header sum to -0x19
        gba[0xA5] = static_cast<std::uint8_t>(byte);
        unsigned total = 0x19;
        for (int at = 0xA0; at <= 0xBD; ++at) total += at == 0xBD ? 0 : gba[at];
        gba[0xBD] = static_cast<std::uint8_t>(0x100 - (total & 0xFF));
        ASSERT_TRUE(CheckChecksum(gba, ChecksumSystem::Gba)->right) << byte;
    }

    // Words 1234 and ABCD after 0x200, and an odd last byte 01 as the high half of 0100.
    Bytes md(0x205, 0);
    std::copy_n(" SEGA", 5, md.begin() + 0x100);
    md[0x200] = 0x12, md[0x201] = 0x34, md[0x202] = 0xAB, md[0x203] = 0xCD, md[0x204] = 0x01;
    EXPECT_EQ(ChooseChecksumSystem(md, ChecksumChoice::Auto), ChecksumSystem::Md);
    EXPECT_EQ(Line(*CheckChecksum(md, ChecksumSystem::Md)), "md: stored 0000, computed BF01, wrong");
    ASSERT_TRUE(FixChecksum(md, ChecksumSystem::Md));
    EXPECT_EQ(md[0x18E], 0xBF);
    EXPECT_EQ(md[0x18F], 0x01);
    Bytes big = Random(0x40000, 4);
    std::uint32_t sum = 0;
    for (std::size_t at = 0x200; at < big.size(); ++at) sum += at % 2 == 0 ? big[at] * 256u : big[at];
    EXPECT_EQ(CheckChecksum(big, ChecksumSystem::Md)->computed, sum & 0xFFFF);
}

TEST(ChecksumTest, ChoicesNamesAndImagesWithoutAHeader) {
    EXPECT_FALSE(ChooseChecksumSystem(Bytes(0x20000, 0), ChecksumChoice::Auto));
    EXPECT_FALSE(ChooseChecksumSystem(Bytes(0x100, 0), ChecksumChoice::Gb));
    // Another console's program code where a header would be: no choice takes it for one.
    const Bytes code = Random(0x20000, 17);
    for (const auto choice : {ChecksumChoice::Auto, ChecksumChoice::Snes, ChecksumChoice::Gb, ChecksumChoice::Gba,
                              ChecksumChoice::Md})
        EXPECT_FALSE(ChooseChecksumSystem(code, choice));
    EXPECT_FALSE(ChooseChecksumSystem(Bytes(0x20000, 0), ChecksumChoice::Snes));
    EXPECT_FALSE(CheckChecksum(Bytes(0xFFFF, 0), ChecksumSystem::SnesHiRom));
    Bytes small(0x100, 7);
    EXPECT_FALSE(FixChecksum(small, ChecksumSystem::Md));
    EXPECT_EQ(small, Bytes(0x100, 7));
    const std::pair<const char*, std::optional<ChecksumChoice>> names[] = {
        {"auto", ChecksumChoice::Auto}, {"snes", ChecksumChoice::Snes},
        {"gb", ChecksumChoice::Gb},     {"gba", ChecksumChoice::Gba},
        {"md", ChecksumChoice::Md},     {"SNES", std::nullopt},
        {"none", std::nullopt},         {"", std::nullopt},
    };
    for (const auto& [name, choice] : names) EXPECT_EQ(ChecksumChoiceFromName(name), choice) << name;
}
