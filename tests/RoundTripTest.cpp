// Extract, then Insert: an unchanged script puts back exactly the bytes it was
// made from, in every layout; an edited one writes what the edit says.
#include "chartable/CharTable.h"
#include "job/CTextEngine.h"
#include "job/Messages.h"
#include "job/Script.h"
#include "platform/Numbers.h"

#include "ScriptBuilders.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>

namespace quorvex {
namespace {

namespace fs = std::filesystem;
using namespace test;
using Bytes = std::vector<std::uint8_t>;

// Every entry's text is its own and no text is the start of a longer one
// made of others, so text maps back to the very bytes it came from.
const CharTable kTable = [] {
    std::u16string text = u"20= \r\nFF=[END]\r\nE0E1=Potion\r\n";
    for (char16_t c = u'A'; c <= u'Z'; ++c) {
        text += FormatHex2(c);
        text += u'=';
        text += c;
        text += u"\r\n";
    }
    return CharTable::FromText(text);
}();

// Four strings back to back from 0x100; the second holds a byte without an
// entry (07) and a two-byte entry (E0 E1).
const Bytes kHello = {0x48, 0x45, 0x4C, 0x4C, 0x4F, 0xFF};  // HELLO[END]
const Bytes kPotion = {0x41, 0x20, 0xE0, 0xE1, 0x07, 0xFF};  // A Potion<07>[END]
const Bytes kWorld = {0x57, 0x4F, 0x52, 0x4C, 0x44, 0xFF};   // WORLD[END]
const Bytes kB = {0x42, 0xFF};                               // B[END]
constexpr std::int32_t kTextStart = 0x100;
constexpr std::int32_t kHelloAt = 0x100, kPotionAt = 0x106, kWorldAt = 0x10C, kBAt = 0x112;
constexpr std::int32_t kTextEnd = 0x113;
// Pointer value = ROM offset + 0x7F00.
constexpr std::int32_t kXOffset = -0x7F00;

RomBuilder WithStrings(std::uint8_t fill) {
    RomBuilder rom(0x200, fill);
    rom.Put(kHelloAt, kHello).Put(kPotionAt, kPotion).Put(kWorldAt, kWorld).Put(kBAt, kB);
    return rom;
}

Bytes Le(std::uint32_t value, int width) {
    Bytes bytes;
    for (int i = 0; i < width; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    return bytes;
}
Bytes Be(std::uint32_t value, int width) {
    Bytes bytes = Le(value, width);
    return Bytes(bytes.rbegin(), bytes.rend());
}
std::uint32_t PointerTo(std::int32_t offset, std::int32_t xOffset = kXOffset) {
    return static_cast<std::uint32_t>(offset - xOffset);
}

// A ROM, the job that extracts it, and how to run both directions.
struct Case {
    std::string name;
    Bytes rom;
    JobSettings settings;
    TableType tableType = TableType::Regular2;
    TextType textType = TextType::Regular;
    const CharTable* table = &kTable;
};

// Pointer tables in table order: Potion, Hello, World, Potion again, B.
const std::int32_t kPointerOrder[] = {kPotionAt, kHelloAt, kWorldAt, kPotionAt, kBAt};

Case FixedStride(TableType type, int width, bool bigEndian) {
    RomBuilder rom = WithStrings(0xCC);
    std::size_t at = 0x10;
    for (const std::int32_t target : kPointerOrder) {
        rom.Put(at, bigEndian ? Be(PointerTo(target), width) : Le(PointerTo(target), width));
        at += static_cast<std::size_t>(width);
    }
    return {std::string(TableTypeName(type)), rom.bytes(),
            Job(0x10, static_cast<std::int32_t>(at) - 1, kTextStart, kTextEnd, kXOffset), type};
}

Case Variation1() {
    // Five low bytes at 0x10, their five high bytes at 0x15.
    RomBuilder rom = WithStrings(0xCC);
    for (std::size_t j = 0; j < 5; ++j) {
        const std::uint32_t value = PointerTo(kPointerOrder[j]);
        rom.Put(0x10 + j, {static_cast<std::uint8_t>(value)}).Put(0x15 + j, {static_cast<std::uint8_t>(value >> 8)});
    }
    return {"Variation1", rom.bytes(), Job(0x10, 0x19, kTextStart, kTextEnd, kXOffset), TableType::Variation1};
}

Case PascalLine() {
    RomBuilder rom = WithStrings(0xCC);
    rom.Put(0x10, {6, 6, 6, 2});
    return {"PascalLine", rom.bytes(), Job(0x10, 0x13, kTextStart, kTextEnd, 0), TableType::PascalLine};
}

// The End Dialog Command FF splits the text area; pointers lie in 0x10-0x3F.
Case Scattered(TableType type, int width) {
    RomBuilder rom = WithStrings(0x00);
    const std::int32_t xOffset = -0x8000;
    rom.Put(0x10, Le(PointerTo(kHelloAt, xOffset), width))
        .Put(0x20, Le(PointerTo(kPotionAt, xOffset), width))
        .Put(0x30, Le(PointerTo(kPotionAt, xOffset), width))  // listed, never rewritten
        .Put(0x18, Le(PointerTo(kBAt, xOffset), width));       // World has no pointer at all
    return {std::string(TableTypeName(type)), rom.bytes(),
            Job(0x10, 0x3F, kTextStart, kTextEnd, xOffset, 0xFF, 1), type};
}

// The fixed table of 19 entries at 0x3DB0 (X000 Offset 0 stands for -0x7FF0).
Case Custom1() {
    RomBuilder rom(0x4000, 0xCC);
    const Bytes* pool[] = {&kHello, &kPotion, &kWorld, &kB};
    std::size_t text = 0x100;
    for (std::size_t j = 0; j < 19; ++j) {
        const Bytes& string = *pool[j % 4];
        const std::uint32_t pointer = PointerTo(static_cast<std::int32_t>(text), -0x7FF0);
        rom.Put(0x3DB0 + 3 * j, {static_cast<std::uint8_t>(string.size()), static_cast<std::uint8_t>(pointer),
                                 static_cast<std::uint8_t>(pointer >> 8)});
        rom.Put(text, string);
        text += string.size();
    }
    return {"Custom1", rom.bytes(), Job(0, 0, 0, 0, 0), TableType::Custom1};
}

// Huffman v2: the code table at 0x40 holds 80 + index; index 10 ends a string.
const CharTable kHuffmanTable = [] {
    std::u16string text;
    for (int i = 0; i < 48; ++i) {
        text += FormatHex2(static_cast<std::uint32_t>(0x80 + i));
        text += u'=';
        if (i == 10)
            text += u"[END]";
        else
            text += static_cast<char16_t>(i < 26 ? u'a' + i : u'A' + (i - 26));
        text += u"\r\n";
    }
    return CharTable::FromText(text);
}();

// The bits of the indices, each string padded with zero bits to a whole byte.
Bytes HuffmanString(std::initializer_list<int> indices) {
    std::vector<int> bits;
    auto put = [&](int value, int count) {
        for (int bit = count - 1; bit >= 0; --bit) bits.push_back((value >> bit) & 1);
    };
    for (const int index : indices) {
        if (index < 8) {
            put(0, 1), put(index, 3);
        } else if (index < 16) {
            put(0b10, 2), put(index - 8, 3);
        } else {
            put(0b11, 2), put(index - 16, 5);
        }
    }
    Bytes bytes((bits.size() + 7) / 8, 0);
    for (std::size_t i = 0; i < bits.size(); ++i)
        if (bits[i]) bytes[i / 8] |= static_cast<std::uint8_t>(0x80 >> (i % 8));
    return bytes;
}

Case HuffmanV2() {
    RomBuilder rom(0x200, 0xCC);
    rom.PutRamp(0x40, 48, 0x80);
    const Bytes strings[] = {HuffmanString({1, 2, 3, 10}), HuffmanString({20, 30, 47, 10}), HuffmanString({0, 10}),
                             HuffmanString({5, 15, 25, 35, 45, 10})};
    std::size_t text = 0x100;
    std::vector<std::size_t> starts;
    for (const Bytes& string : strings) {
        starts.push_back(text);
        rom.Put(text, string);
        text += string.size();
    }
    const std::size_t order[] = {2, 0, 1, 0, 3};
    std::size_t at = 0x10;
    for (const std::size_t which : order) {
        rom.Put(at, Le(PointerTo(static_cast<std::int32_t>(starts[which]), 0), 2));
        at += 2;
    }
    return {"HuffmanV2", rom.bytes(),
            Job(0x10, static_cast<std::int32_t>(at) - 1, 0x100, static_cast<std::int32_t>(text) - 1, 0, 0x40),
            TableType::Regular2, TextType::HuffmanV2, &kHuffmanTable};
}

std::vector<Case> AllLayouts() {
    return {FixedStride(TableType::Regular2, 2, false),
            Variation1(),
            Scattered(TableType::Scattered2, 2),
            PascalLine(),
            FixedStride(TableType::Regular3, 3, false),
            FixedStride(TableType::Regular4, 4, false),
            Scattered(TableType::Scattered4, 4),
            FixedStride(TableType::Variation4, 4, true),
            Custom1(),
            HuffmanV2()};
}

class RoundTripTest : public ::testing::Test {
protected:
    std::u16string Extract(const Case& c) {
        WriteBytes(original, c.rom);
        CTextEngine engine;
        engine.settings = c.settings;
        RecordingPrompt prompt;
        const auto script = engine.Extract(original, c.table, c.tableType, c.textType, prompt);
        EXPECT_TRUE(script.has_value());
        return script.value_or(u"");
    }

    bool Insert(const Case& c, std::u16string_view script) {
        WriteBytes(copy, c.rom);
        CTextEngine engine;
        engine.settings.longestTextLength = c.table->longestTextLength();
        prompt.messages.clear();
        return engine.Insert(copy, c.table, script, prompt);
    }

    [[nodiscard]] Bytes Copy() const { return ReadBytes(copy); }

    TempDir dir;
    fs::path original = dir / "original.rom";
    fs::path copy = dir / "copy.rom";
    RecordingPrompt prompt;
};

TEST_F(RoundTripTest, AnUnchangedScriptGivesBackTheSameBytesInEveryLayout) {
    for (const Case& c : AllLayouts()) {
        SCOPED_TRACE(c.name);
        const std::u16string script = Extract(c);

        ASSERT_TRUE(Insert(c, script)) << Narrow(script);

        EXPECT_EQ(Copy(), c.rom) << Narrow(script);
        // Each Scattered job has one string that no pointer points at.
        const std::u16string message = IsScattered(c.tableType)
                                           ? messages::EndedLeftOver(0) + u"\r\n" + messages::StringsWithoutPointer(1)
                                           : messages::EndedLeftOver(0);
        EXPECT_EQ(prompt.messages, std::vector<std::u16string>{message});
        EXPECT_TRUE(prompt.questions.empty());
    }
}

// The edits below rely on what the scripts hold: a miss fails the test.
std::u16string Replace(std::u16string text, std::u16string_view from, std::u16string_view to) {
    const auto at = text.find(from);
    EXPECT_NE(at, std::u16string::npos) << Narrow(from);
    if (at != std::u16string::npos) text.replace(at, from.size(), to);
    return text;
}

// The case's ROM with runs of bytes replaced.
Bytes Edited(const Case& c, std::initializer_list<std::pair<std::size_t, Bytes>> changes) {
    RomBuilder rom(0);
    rom.Put(0, c.rom);
    for (const auto& [offset, bytes] : changes) rom.Put(offset, bytes);
    return rom.bytes();
}

TEST_F(RoundTripTest, RepeatAndMoveLinesFollowTheEditedText) {
    const Case c = FixedStride(TableType::Regular2, 2, false);
    // One letter more in Hello moves every later string one byte on; the
    // repeat line for 0x10 stands before the block of 0x16 that it names.
    prompt.answers = {true};
    ASSERT_TRUE(Insert(c, Replace(Extract(c), u"HELLO[END]", u"HELLOO[END]")));
    EXPECT_EQ(Copy(), Edited(c, {{0x10, Le(PointerTo(0x107), 2)},
                                 {0x12, Le(PointerTo(0x100), 2)},
                                 {0x14, Le(PointerTo(0x10D), 2)},
                                 {0x16, Le(PointerTo(0x107), 2)},
                                 {0x18, Le(PointerTo(0x113), 2)},
                                 {0x100, {0x48, 0x45, 0x4C, 0x4C, 0x4F, 0x4F, 0xFF}},
                                 {0x107, kPotion},
                                 {0x10D, kWorld},
                                 {0x113, kB}}));
    EXPECT_EQ(prompt.questions, std::vector<std::u16string>{messages::OverLimitQuestion(1)});

    // The text now ends at 0x188, far past Text End: the user is asked twice.
    prompt = RecordingPrompt{};
    prompt.answers = {true, true};
    ASSERT_TRUE(Insert(c, Replace(Extract(c), u"\r\n14\r\n", u"\r\n14 m180\r\n")));
    EXPECT_EQ(Copy(), Edited(c, {{0x14, Le(PointerTo(0x180), 2)}, {0x18, Le(PointerTo(0x186), 2)},
                                 {0x180, kWorld}, {0x186, kB}}));
    EXPECT_EQ(prompt.questions.size(), 2u);
}

TEST_F(RoundTripTest, Variation1Variation4AndPascalLineFollowAShorterString) {
    for (const Case& c : {Variation1(), FixedStride(TableType::Variation4, 4, true), PascalLine()}) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(Insert(c, Replace(Extract(c), u"A Potion<07>[END]", u"A[END]")));

        // Potion is now two bytes: World moves to 0x108, B to 0x10E.
        RomBuilder expected(0);
        expected.Put(0, Edited(c, {{kPotionAt, {0x41, 0xFF}}, {0x108, kWorld}, {0x10E, kB}}));
        const std::int32_t targets[] = {kPotionAt, kHelloAt, 0x108, kPotionAt, 0x10E};
        for (std::size_t j = 0; j < 5; ++j) {
            const std::uint32_t value = PointerTo(targets[j]);
            if (c.tableType == TableType::Variation1)
                expected.Put(0x10 + j, {static_cast<std::uint8_t>(value)})
                    .Put(0x15 + j, {static_cast<std::uint8_t>(value >> 8)});
            else if (c.tableType == TableType::Variation4)
                expected.Put(0x10 + 4 * j, Be(value, 4));
        }
        if (c.tableType == TableType::PascalLine) expected.Put(0x10, {6, 2, 6, 2});
        EXPECT_EQ(Copy(), expected.bytes());
        EXPECT_EQ(prompt.messages, std::vector<std::u16string>{messages::EndedLeftOver(4)});
    }
}

TEST_F(RoundTripTest, Custom1FollowsALongerString) {
    const Case c = Custom1();
    // The first string, HELLO[END] at 0x100, grows by "ABC".
    prompt.answers = {true};
    ASSERT_TRUE(Insert(c, Replace(Extract(c), u"HELLO[END]", u"HELLOABC[END]")));
    const Bytes rom = Copy();
    EXPECT_EQ(Bytes(rom.begin() + 0x3DB0, rom.begin() + 0x3DB6), (Bytes{9, 0xF0, 0x80, 6, 0xF9, 0x80}));
    EXPECT_EQ(Bytes(rom.begin() + 0x100, rom.begin() + 0x10F),
              (Bytes{0x48, 0x45, 0x4C, 0x4C, 0x4F, 0x41, 0x42, 0x43, 0xFF, 0x41, 0x20, 0xE0, 0xE1, 0x07, 0xFF}));
    // The last of the 19 entries moved three bytes on as well.
    EXPECT_EQ(rom[0x3DE6], c.rom[0x3DE6]);
    EXPECT_EQ(rom[0x3DE7] | (rom[0x3DE8] << 8), (c.rom[0x3DE7] | (c.rom[0x3DE8] << 8)) + 3);
}

}  // namespace
}  // namespace quorvex
