#include "ScriptBuilders.h"
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

    std::u16string ExtractBody(const std::vector<std::uint8_t>& bytes, const JobSettings& job, TextType textType,
                               const CharTable* table) {
        WriteBytes(dir / "rom.bin", bytes);
        engine.settings = job;
        return Body(engine.Extract(dir / "rom.bin", table, TableType::Regular2, textType, prompt).value());
    }

    TempDir dir;
    CTextEngine engine;
    RecordingPrompt prompt;
};

// A v1 tree at `at` whose root has the leaves 80 (left) and 81 (right).
RomBuilder& PutTwoLeafTree(RomBuilder& rom, std::size_t at, std::uint8_t left, std::uint8_t right) {
    return rom.Put(at + 0x2A, {0x80}).Put(at + 0x55, {0x81}).Put(at + 0x80, {left, right});
}

}  // namespace

// In the v2 tests the code table's index i holds 0x40 + i.
TEST_F(HuffmanTest, V2PrefixesSelectTheirIndexRanges) {
    // 0101 | 10111 | 1100000 | 1111111 | 10010: indices 5, 15, 16, 47, then the end index 10.
    Load(RomBuilder(0x200).PutRamp(0x100, 48, 0x40).Put(0x10, {0x5B, 0xE0, 0xFF, 0x20, 0x00}).bytes());
    engine.settings.huffTable = 0x100;
    EXPECT_EQ(engine.DecodeHuffmanV2(0x10), (Values{0x45, 0x4F, 0x50, 0x6F, 0x4A}));

    // A string that begins with the end code is that one byte.
    Load(RomBuilder(0x200).PutRamp(0x100, 48, 0x40).Put(0x10, {0x90, 0x00}).bytes());
    EXPECT_EQ(engine.DecodeHuffmanV2(0x10), (Values{0x4A}));

    // Index 0 over and over (the bits 0000), never the end index: no length limit.
    Load(RomBuilder(0x40 + 40000).PutRamp(0, 48, 0x40).bytes());
    engine.settings.huffTable = 0;
    const Values values = engine.DecodeHuffmanV2(0x40);
    EXPECT_EQ(values.size(), 80000u);
    EXPECT_EQ(values.back(), 0x40);
}

TEST_F(HuffmanTest, V2StringsIgnoreTheirBoundAndStopAtTheEndIndex) {
    // Pointers one byte apart: 0000 0100 | 10010 and 10010 on its own.
    RomBuilder rom(0x200);
    rom.PutRamp(0x100, 48, 0x40).Put(0x10, {0x20, 0x00, 0x21, 0x00}).Put(0x20, {0x04, 0x90});
    rom.Put(0x10A, {0xF0});  // index 10 holds F0, found through its key like any byte
    const CharTable table = CharTable::FromText(u"40=a\r\n44=e\r\nF0=[end]\r\n");
    EXPECT_EQ(ExtractBody(rom.bytes(), Job(0x10, 0x14, 0x20, 0x21, 0, 0x100), TextType::HuffmanV2, &table),
              u"10\r\nae[end]\r\n12\r\n[end]\r\n");
}

TEST_F(HuffmanTest, V2EndsAtTheEndOfTheFile) {
    // Index 1, index 2, then index 7 whose table byte lies outside the file.
    Load(RomBuilder(0x105).PutRamp(0x100, 5, 0x40).Put(0x10, {0x12, 0x70}).bytes());
    engine.settings.huffTable = 0x100;
    EXPECT_EQ(engine.DecodeHuffmanV2(0x10), (Values{0x41, 0x42}));

    // Stream bytes run out: the unfinished character after index 3 is dropped.
    RomBuilder streamCut(0x31);
    streamCut.PutRamp(0, 48, 0x40).Put(0x30, {0x31});  // 0011 | 0001 (complete), nothing after
    Load(streamCut.bytes());
    engine.settings.huffTable = 0;
    EXPECT_EQ(engine.DecodeHuffmanV2(0x30), (Values{0x43, 0x41}));
    Load(streamCut.Put(0x30, {0x3C}).bytes());  // 0011 | 110.. cut off
    EXPECT_EQ(engine.DecodeHuffmanV2(0x30), (Values{0x43}));
    EXPECT_TRUE(engine.DecodeHuffmanV2(0x31).empty());
    EXPECT_TRUE(engine.DecodeHuffmanV2(-5).empty());
}

TEST_F(HuffmanTest, V1WalksTheTreeOneBitAStep) {
    RomBuilder rom(0x400);
    PutTwoLeafTree(rom, 0x100, 0x4C, 0x52).Put(0x300, {0xA5, 0x0F, 0xFF});
    Load(rom.bytes());
    engine.settings = Job(0, 0, 0, 0x3FF, 0, 0x100);
    // 1010 0101 0000 1111: both bytes of start .. start + 1.
    EXPECT_EQ(engine.DecodeHuffmanV1(0x300, 0x301), (Values{0x52, 0x4C, 0x52, 0x4C, 0x4C, 0x52, 0x4C, 0x52, 0x4C, 0x4C,
                                                            0x4C, 0x4C, 0x52, 0x52, 0x52, 0x52}));
    EXPECT_EQ(engine.DecodeHuffmanV1(0x300, 0x300).size(), 8u);
    EXPECT_TRUE(engine.DecodeHuffmanV1(0x300, 0x2FF).empty());

    // A v1 string in a script runs through its bound: Text End + 1 is taken as well.
    RomBuilder ab(0x400);
    PutTwoLeafTree(ab, 0x100, 0x41, 0x42).Put(0x300, {0xF0, 0xFF});
    const CharTable table = CharTable::FromText(u"41=a\r\n42=b\r\n");
    EXPECT_EQ(ExtractBody(ab.bytes(), Job(0, 0, 0x300, 0x300, 0, 0x100), TextType::HuffmanV1, &table),
              u"300\r\nbbbbaaaabbbbbbbb\r\n");
}

TEST_F(HuffmanTest, V1DropsAnUnfinishedCharacterAndKeepsZeroBytes) {
    // Root: 0 -> node 1, 1 -> leaf 82. Node 1: 0 -> leaf 80 (the byte 00), 1 -> leaf 81.
    RomBuilder rom(0x400);
    rom.Put(0x100 + 0x2A, {0x01, 0x80}).Put(0x100 + 0x55, {0x82, 0x81}).Put(0x180, {0x00, 0x41, 0x42});
    rom.Put(0x300, {0x26, 0x40});  // 00 1 00 1 1 0.. | ..0 1 00 00 00
    Load(rom.bytes());
    engine.settings = Job(0, 0, 0, 0x3FF, 0, 0x100);
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
    engine.settings = Job(0, 0, 0, 0, 0, 0x100);
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
    struct Case {
        std::vector<int> bits;
        bool doWrite;
        std::int32_t offset;
        int flushed;
        std::vector<std::uint8_t> image;
    };
    const std::vector<int> thirteen = {1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1};
    const Case cases[] = {
        {thirteen, true, 3, 2, {0xEE, 0xAA, 0xA8, 0xEE}},
        {{1, 1, 0, 0, 0, 0, 1, 1}, true, 2, 1, {0xEE, 0xC3, 0xEE, 0xEE}},
        {{}, true, 2, 1, {0xEE, 0x00, 0xEE, 0xEE}},
        // Counting only: the same numbers, nothing written.
        {thirteen, false, 3, 2, {0xEE, 0xEE, 0xEE, 0xEE}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.bits.size()) + (c.doWrite ? " bits written" : " bits counted"));
        std::vector<std::uint8_t> image(4, 0xEE);
        BitWriterState state;
        state.offset = 1;
        engine.bytesFlushed = 0;
        for (const int bit : c.bits) EXPECT_TRUE(engine.WriteBit(state, bit, c.doWrite, image));
        // The caller ends a string by setting the position to 0 and writing one 0 bit.
        state.position = 0;
        EXPECT_TRUE(engine.WriteBit(state, 0, c.doWrite, image));
        EXPECT_EQ(state.offset, c.offset);
        EXPECT_EQ(engine.bytesFlushed, c.flushed);
        EXPECT_EQ(image, c.image);
    }
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
