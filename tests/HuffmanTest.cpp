#include "TestSupport.h"

#include "chartable/CharTable.h"
#include "job/CTextEngine.h"

#include <gtest/gtest.h>

using namespace quorvex;
using namespace quorvex::test;

namespace {

using Values = std::vector<std::uint16_t>;

class HuffmanTest : public ::testing::Test {
protected:
    void Load(const std::vector<std::uint8_t>& bytes) {
        WriteBytes(dir / "rom.bin", bytes);
        engine.UseRom(RomFile::OpenForReading(dir / "rom.bin"));
    }

    std::u16string Extract(const std::vector<std::uint8_t>& bytes, TableType tableType, TextType textType,
                           const CharTable* table = nullptr) {
        WriteBytes(dir / "rom.bin", bytes);
        const auto script = engine.Extract(dir / "rom.bin", table, tableType, textType, prompt);
        const auto at = script.value().find(u"-----------------\r\n");
        return script->substr(at + 19);
    }

    TempDir dir;
    CTextEngine engine;
    RecordingPrompt prompt;
};

// A v2 table at `at` whose index i holds 0x40 + i.
RomBuilder& PutV2Table(RomBuilder& rom, std::size_t at) {
    for (std::size_t i = 0; i < 48; ++i) rom.Put(at + i, {static_cast<std::uint8_t>(0x40 + i)});
    return rom;
}

// A v1 tree at `at` whose root has the leaves 80 (left) and 81 (right).
RomBuilder& PutTwoLeafTree(RomBuilder& rom, std::size_t at, std::uint8_t left, std::uint8_t right) {
    return rom.Put(at + 0x2A, {0x80}).Put(at + 0x55, {0x81}).Put(at + 0x80, {left, right});
}

}  // namespace

TEST_F(HuffmanTest, V2PrefixesSelectTheirIndexRanges) {
    // 0101 | 10111 | 1100000 | 1111111 | 10010: indices 5, 15, 16, 47, then the end index 10.
    RomBuilder rom(0x200);
    PutV2Table(rom, 0x100).Put(0x10, {0x5B, 0xE0, 0xFF, 0x20, 0x00});
    Load(rom.bytes());
    engine.settings.huffTable = 0x100;
    EXPECT_EQ(engine.DecodeHuffmanV2(0x10), (Values{0x45, 0x4F, 0x50, 0x6F, 0x4A}));

    // A string that begins with the end code is that one byte.
    RomBuilder single(0x200);
    PutV2Table(single, 0x100).Put(0x10, {0x90, 0x00});
    Load(single.bytes());
    EXPECT_EQ(engine.DecodeHuffmanV2(0x10), (Values{0x4A}));
}

TEST_F(HuffmanTest, V2StringsIgnoreTheirBoundAndStopAtTheEndIndex) {
    // Pointers one byte apart: 0000 0100 | 10010 and 10010 on its own.
    RomBuilder rom(0x200);
    PutV2Table(rom, 0x100).Put(0x10, {0x20, 0x00, 0x21, 0x00}).Put(0x20, {0x04, 0x90});
    rom.Put(0x10A, {0xF0});  // index 10 holds F0, found through its key like any byte
    const CharTable table = CharTable::FromText(u"40=a\r\n44=e\r\nF0=[end]\r\n");
    engine.settings.tableStart = 0x10;
    engine.settings.tableEnd = 0x14;
    engine.settings.textStart = 0x20;
    engine.settings.textEnd = 0x21;
    engine.settings.huffTable = 0x100;
    EXPECT_EQ(Extract(rom.bytes(), TableType::Regular2, TextType::HuffmanV2, &table),
              u"10\r\nae[end]\r\n12\r\n[end]\r\n");
}

TEST_F(HuffmanTest, V2EndsAtTheEndOfTheFile) {
    // Index 1, index 2, then index 7 whose table byte lies outside the file.
    RomBuilder tableCut(0x105);
    PutV2Table(tableCut, 0x100).Put(0x10, {0x12, 0x70});
    Load(std::vector<std::uint8_t>(tableCut.bytes().begin(), tableCut.bytes().begin() + 0x105));
    engine.settings.huffTable = 0x100;
    EXPECT_EQ(engine.DecodeHuffmanV2(0x10), (Values{0x41, 0x42}));

    // Stream bytes run out: the unfinished character after index 3 is dropped.
    RomBuilder streamCut(0x31);
    PutV2Table(streamCut, 0);
    streamCut.Put(0x30, {0x31});  // 0011 | 0001 (complete), nothing after
    Load(streamCut.bytes());
    engine.settings.huffTable = 0;
    EXPECT_EQ(engine.DecodeHuffmanV2(0x30), (Values{0x43, 0x41}));
    streamCut.Put(0x30, {0x3C});  // 0011 | 110.. cut off
    Load(streamCut.bytes());
    EXPECT_EQ(engine.DecodeHuffmanV2(0x30), (Values{0x43}));
    EXPECT_TRUE(engine.DecodeHuffmanV2(0x31).empty());
    EXPECT_TRUE(engine.DecodeHuffmanV2(-5).empty());
}

TEST_F(HuffmanTest, V1WalksTheTreeOneBitAStep) {
    RomBuilder rom(0x400);
    PutTwoLeafTree(rom, 0x100, 0x4C, 0x52).Put(0x300, {0xA5, 0x0F, 0xFF});
    Load(rom.bytes());
    engine.settings.huffTable = 0x100;
    engine.settings.textEnd = 0x3FF;
    // 1010 0101 0000 1111: both bytes of start .. start + 1.
    const Values values = engine.DecodeHuffmanV1(0x300, 0x301);
    EXPECT_EQ(values, (Values{0x52, 0x4C, 0x52, 0x4C, 0x4C, 0x52, 0x4C, 0x52, 0x4C, 0x4C, 0x4C, 0x4C, 0x52, 0x52,
                              0x52, 0x52}));
    EXPECT_EQ(engine.DecodeHuffmanV1(0x300, 0x300).size(), 8u);
    EXPECT_TRUE(engine.DecodeHuffmanV1(0x300, 0x2FF).empty());
}

TEST_F(HuffmanTest, V1DropsAnUnfinishedCharacterAndKeepsZeroBytes) {
    // Root: 0 -> node 1, 1 -> leaf 82. Node 1: 0 -> leaf 80 (the byte 00), 1 -> leaf 81.
    RomBuilder rom(0x400);
    rom.Put(0x100 + 0x2A, {0x01, 0x80}).Put(0x100 + 0x55, {0x82, 0x81}).Put(0x180, {0x00, 0x41, 0x42});
    rom.Put(0x300, {0x26, 0x40});  // 00 1 00 1 1 0.. | ..0 1 00 00 00
    Load(rom.bytes());
    engine.settings.huffTable = 0x100;
    engine.settings.textEnd = 0x3FF;
    // One byte: its last bit starts a character the range cuts off.
    EXPECT_EQ(engine.DecodeHuffmanV1(0x300, 0x300), (Values{0x00, 0x42, 0x00, 0x42, 0x42}));
    // Two bytes: the character finishes in the second.
    EXPECT_EQ(engine.DecodeHuffmanV1(0x300, 0x301),
              (Values{0x00, 0x42, 0x00, 0x42, 0x42, 0x00, 0x42, 0x00, 0x00, 0x00}));
}

TEST_F(HuffmanTest, V1EndsWhereTheFileEnds) {
    // The tree's right column for node 50 lies past the end of the file.
    RomBuilder rom(0x1A0);
    rom.Put(0x100 + 0x2A, {0x80}).Put(0x100 + 0x55, {0x50}).Put(0x100 + 0x2A + 0x50, {0x81});
    rom.Put(0x180, {0x41, 0x42}).Put(0x10, {0x58, 0x00});  // 0 | 10 | 11 (outside)
    Load(rom.bytes());
    engine.settings.huffTable = 0x100;
    engine.settings.textEnd = 0;
    EXPECT_EQ(engine.DecodeHuffmanV1(0x10, 0x10), (Values{0x41, 0x42}));

    // Without a Text End the string has no bound but the file: no 65,535 limit either.
    RomBuilder large(0x10 + 9000);
    PutTwoLeafTree(large, 0, 0x4C, 0x52);
    Load(large.bytes());
    engine.settings.huffTable = 0;
    const Values values = engine.DecodeHuffmanV1(0x10, 0x11);
    EXPECT_EQ(values.size(), 8u * 9000);
    EXPECT_EQ(values.front(), 0x4C);
}

TEST_F(HuffmanTest, V2HasNoLengthLimitEither) {
    // Index 0 over and over (the bits 0000), never the end index.
    RomBuilder rom(0x40 + 40000);
    PutV2Table(rom, 0);
    Load(rom.bytes());
    engine.settings.huffTable = 0;
    const Values values = engine.DecodeHuffmanV2(0x40);
    EXPECT_EQ(values.size(), 80000u);
    EXPECT_EQ(values.back(), 0x40);
}

TEST_F(HuffmanTest, V1ScriptsGiveTheTextOffsetWhenTheTableLiesBelow10) {
    RomBuilder rom(0x400);
    PutTwoLeafTree(rom, 0x100, 0x41, 0x42).Put(0x300, {0xF0, 0xFF});
    const CharTable table = CharTable::FromText(u"41=a\r\n42=b\r\n");
    engine.settings.textStart = 0x300;
    engine.settings.textEnd = 0x300;
    engine.settings.huffTable = 0x100;
    // A v1 string runs through its bound: Text End + 1 is taken as well.
    EXPECT_EQ(Extract(rom.bytes(), TableType::Regular2, TextType::HuffmanV1, &table),
              u"300\r\nbbbbaaaabbbbbbbb\r\n");
}

TEST_F(HuffmanTest, ReadBitTakesBitsHighFirstAndStopsAtTheEnd) {
    Load({0x81});
    BitReaderState state;
    std::vector<int> bits;
    while (const auto bit = engine.ReadBit(state)) bits.push_back(*bit);
    EXPECT_EQ(bits, (std::vector<int>{1, 0, 0, 0, 0, 0, 0, 1}));
    EXPECT_EQ(state.next, 1);
    EXPECT_FALSE(engine.ReadBit(state));
}

TEST_F(HuffmanTest, WriteBitCompletesABytePerEightBitsAndOnTheEndCall) {
    // The caller ends a string by setting the position to 0 and writing one 0 bit.
    auto write = [&](const std::vector<int>& bits, bool doWrite, std::vector<std::uint8_t>& image) {
        BitWriterState state;
        state.offset = 1;
        engine.bytesFlushed = 0;
        for (const int bit : bits) EXPECT_TRUE(engine.WriteBit(state, bit, doWrite, image));
        state.position = 0;
        EXPECT_TRUE(engine.WriteBit(state, 0, doWrite, image));
        return state.offset;
    };

    std::vector<std::uint8_t> image(4, 0xEE);
    EXPECT_EQ(write({1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1}, true, image), 3);
    EXPECT_EQ(engine.bytesFlushed, 2);
    EXPECT_EQ(image, (std::vector<std::uint8_t>{0xEE, 0xAA, 0xA8, 0xEE}));

    image.assign(4, 0xEE);
    EXPECT_EQ(write({1, 1, 0, 0, 0, 0, 1, 1}, true, image), 2);
    EXPECT_EQ(engine.bytesFlushed, 1);
    EXPECT_EQ(image, (std::vector<std::uint8_t>{0xEE, 0xC3, 0xEE, 0xEE}));

    image.assign(4, 0xEE);
    EXPECT_EQ(write({}, true, image), 2);
    EXPECT_EQ(engine.bytesFlushed, 1);
    EXPECT_EQ(image, (std::vector<std::uint8_t>{0xEE, 0x00, 0xEE, 0xEE}));

    // Counting only: the same numbers, nothing written.
    image.assign(4, 0xEE);
    EXPECT_EQ(write({1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1}, false, image), 3);
    EXPECT_EQ(engine.bytesFlushed, 2);
    EXPECT_EQ(image, std::vector<std::uint8_t>(4, 0xEE));
}

TEST_F(HuffmanTest, WriteBitRefusesAByteOutsideTheImage) {
    std::vector<std::uint8_t> image(1, 0xEE);
    BitWriterState state;
    state.offset = 1;
    state.position = 0;
    engine.bytesFlushed = 0;
    EXPECT_FALSE(engine.WriteBit(state, 1, true, image));
    EXPECT_EQ(engine.bytesFlushed, 0);
    EXPECT_EQ(state.offset, 1);
    EXPECT_EQ(state.position, 0);
    EXPECT_EQ(image, std::vector<std::uint8_t>{0xEE});
    // Counting needs no room.
    EXPECT_TRUE(engine.WriteBit(state, 1, false, image));
    EXPECT_EQ(engine.bytesFlushed, 1);
    // Bits within the byte being built are placed without touching the image.
    BitWriterState fresh;
    fresh.offset = 5;
    EXPECT_TRUE(engine.WriteBit(fresh, 1, true, image));
    EXPECT_EQ(fresh.byte, 0x80u);
}
