#include "ScriptBuilders.h"
#include "TestSupport.h"

#include "chartable/CharTable.h"
#include "job/CTextEngine.h"
#include "job/Messages.h"
#include "platform/FileError.h"
#include "platform/Numbers.h"

#include <gtest/gtest.h>

#include <random>

using namespace quorvex;
using namespace quorvex::test;

namespace {

class ExtractTest : public ::testing::Test {
protected:
    // Writes the ROM to a file and extracts from it with a fresh engine; the script, or "" when refused.
    std::u16string Run(const std::vector<std::uint8_t>& rom, const JobSettings& job, TableType tableType,
                       TextType textType = TextType::Regular, const CharTable* table = nullptr) {
        WriteBytes(dir / "game.nes", rom);
        engine = CTextEngine{};
        engine.settings = job;
        return engine.Extract(dir / "game.nes", table, tableType, textType, prompt).value_or(u"");
    }
    std::u16string RunBody(const std::vector<std::uint8_t>& rom, const JobSettings& job, TableType tableType,
                           const CharTable* table = nullptr) {
        return Body(Run(rom, job, tableType, TextType::Regular, table));
    }

    static bool Has(const std::u16string& script, std::u16string_view line) {
        return script.find(line) != std::u16string::npos;
    }

    TempDir dir;
    CTextEngine engine;
    RecordingPrompt prompt;
};

const CharTable kABEnd = CharTable::FromText(u"41=A\r\n42=B\r\nFF=[END]\r\n");

std::u16string Repeat(std::u16string_view text, int times) {
    std::u16string result;
    for (int i = 0; i < times; ++i) result += text;
    return result;
}

}  // namespace

TEST_F(ExtractTest, TheWorkedScriptExample) {
    const auto rom = RomBuilder(0x820)
                         .Put(0x10, {0x20, 0x00, 0x23, 0x00, 0x23, 0x00})
                         .Put(0x810, {0x41, 0x42, 0xFF, 0x41, 0x43, 0xFF})
                         .bytes();
    EXPECT_EQ(Narrow(Run(rom, Job(0x10, 0x16, 0x810, 0x815, 0x7F0), TableType::Regular2, TextType::Regular, &kABEnd)),
              Narrow(u"Table Start:\t10\r\nTable End:\t16\r\nText Start:\t810\r\nText End:\t815\r\nXOffset:\t7F0\r\n"
                     u"\r\nTable Type:\t0\r\nText Type:\t0\r\n-----------------\r\n"
                     u"10\r\nAB[END]\r\n12 r14\r\n14\r\nA<43>[END]\r\n"));
    EXPECT_EQ(prompt.messages, (std::vector<std::u16string>{std::u16string(messages::kDone)}));
}

TEST_F(ExtractTest, HeaderRecordsTheDerivedValues) {
    // A missing table end runs up to the byte before the text.
    auto script = Run(RomBuilder(0x200).bytes(), Job(0x100, 0, 0x180, 0x181, 0x100), TableType::Regular2);
    EXPECT_TRUE(Has(script, u"Table Start:\t100\r\nTable End:\t17F\r\n"));
    EXPECT_EQ(engine.settings.tableEnd, 0x17F);
    ASSERT_EQ(engine.Entries().size(), 64u);
    EXPECT_EQ(engine.Entries().back().location, 0x17E);

    // Pointers 8010, 8040, 8020 with Text Start 4010: the offset is derived from the smallest.
    script = Run(RomBuilder(0x4050).Put(0x10, {0x10, 0x80, 0x40, 0x80, 0x20, 0x80}).bytes(),
                 Job(0x10, 0x16, 0x4010, 0x404F), TableType::Regular2);
    EXPECT_TRUE(Has(script, u"XOffset:\tFFFFC000\r\n"));
    EXPECT_EQ(engine.settings.xOffset, -0x4000);
    EXPECT_EQ(engine.Entries(), (std::vector<PointerEntry>{{0x4010, 0x10}, {0x4020, 0x14}, {0x4040, 0x12}}));
    const auto lines = SplitLines(Body(script));
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ((std::vector<std::u16string>{lines[0], lines[2], lines[4]}),
              (std::vector<std::u16string>{u"10", u"14", u"12"}));

    // Table Start 0 is a present table, but no offset is derived for it.
    script = Run(RomBuilder(0x40).Put(0, {0x20, 0x00, 0x21, 0x00}).bytes(), Job(0, 4, 0x20, 0x21),
                 TableType::Regular2);
    EXPECT_TRUE(Has(script, u"XOffset:\t0\r\n"));
    EXPECT_EQ(Body(script), u"0\r\n<00>\r\n2\r\n<00>\r\n");

    // The HuffTable line only for Huffman text and the Scattered layouts.
    const auto rom = RomBuilder(0x20).bytes();
    const auto job = Job(0, 0, 0x10, 0x11, 0, 0xFF, 1);
    EXPECT_FALSE(Has(Run(rom, job, TableType::Regular2), u"HuffTable:"));
    EXPECT_TRUE(Has(Run(rom, job, TableType::Scattered2), u"Text Type:\t0\r\nHuffTable:\tFF\r\n"));
    EXPECT_TRUE(Has(Run(rom, job, TableType::Regular4, TextType::HuffmanV2), u"Text Type:\t2\r\nHuffTable:\tFF\r\n"));
}

TEST_F(ExtractTest, Custom1WritesItsComputedRangeIntoTheHeader) {
    RomBuilder rom(0x4000);
    rom.PutRamp(0x20, 26, 0x41);
    rom.Put(0x3DB0, {0x05, 0x10, 0x80}).Put(0x3DB3, {0x02, 0x13, 0x80}).Put(0x3DE6, {0x0A, 0x00, 0x90});
    // The numbers typed are all ignored.
    const auto script = Run(rom.bytes(), Job(0x123, 0x456, 0x789, 0xABC), TableType::Custom1);
    EXPECT_TRUE(Has(script, u"Table Start:\t3DB0\r\nTable End:\t3DE6\r\nText Start:\t20\r\nText End:\t1019\r\n"
                            u"XOffset:\tFFFF8010\r\n"));
    const auto lines = SplitLines(Body(script));
    ASSERT_EQ(lines.size(), 19u);
    EXPECT_EQ(lines[0], u"<41><42><43><44><45>");  // 5 bytes from 0x20
    EXPECT_EQ(lines[1], u"<44><45>");              // 2 bytes from 0x23: strings may overlap
    EXPECT_EQ(lines[2], u"");                      // an empty table entry is an empty string
    EXPECT_EQ(lines[18], Repeat(u"<00>", 10));     // 10 bytes from 0x1010
}

TEST_F(ExtractTest, BodyForms) {
    // Two pointers to one text: a repeat line, then the text under the last pointer.
    const auto shared = RomBuilder(0x50).Put(0x10, {0x40, 0x00, 0x40, 0x00}).Put(0x40, {0x41, 0x42, 0xFF}).bytes();
    EXPECT_EQ(RunBody(shared, Job(0x10, 0x14, 0x40, 0x42), TableType::Regular2, &kABEnd),
              u"10 r12\r\n12\r\nAB[END]\r\n");
    // Text End 0: a listing of where the strings start, nothing decoded.
    EXPECT_EQ(RunBody(RomBuilder(0x60).Put(0x10, {0x40, 0x00, 0x50, 0x00}).bytes(), Job(0x10, 0x14, 0x40, 0),
                      TableType::Regular2, &kABEnd),
              u"10\r\n0x40\r\n12\r\n0x50\r\n");
    // No table: one string from Text Start through Text End, without a pointer line.
    EXPECT_EQ(RunBody(shared, Job(0, 0, 0x40, 0x42), TableType::Variation4, &kABEnd), u"AB[END]\r\n");

    // Regular text of more than 65,535 bytes is listed, not decoded; 65,535 bytes still decode.
    const std::vector<std::uint8_t> many(0x10 + 0x10001, 0x41);
    EXPECT_EQ(RunBody(many, Job(0, 0, 0x10, 0x10 + 0x10000), TableType::Regular2, &kABEnd), u"0x10\r\n");
    EXPECT_EQ(RunBody(many, Job(0, 0, 0x10, 0x10 + 0xFFFE), TableType::Regular2, &kABEnd),
              std::u16string(0xFFFF, u'A') + u"\r\n");

    // Every byte without an entry becomes an escape.
    const auto mixed = RomBuilder(0x20).Put(0x10, {0x41, 0x0A, 0xFF, 0x43}).bytes();
    const CharTable onlyA = CharTable::FromText(u"41=A\r\n");
    EXPECT_EQ(RunBody(mixed, Job(0, 0, 0x10, 0x13), TableType::Regular2, &onlyA), u"A<0A><FF><43>\r\n");
    EXPECT_EQ(RunBody(mixed, Job(0, 0, 0x10, 0x13), TableType::Regular2), u"<41><0A><FF><43>\r\n");
}

TEST_F(ExtractTest, KeysNeverReachIntoTheNextString) {
    // 41 and 42 are two strings: the two-byte key 4142 must not join them.
    const CharTable table = CharTable::FromText(u"4142=AB\r\n41=A\r\n42=B\r\n");
    const auto rom =
        RomBuilder(0x30).Put(0x10, {0x20, 0x00, 0x21, 0x00, 0x22, 0x00}).Put(0x20, {0x41, 0x42, 0x41, 0x42}).bytes();
    EXPECT_EQ(RunBody(rom, Job(0x10, 0x16, 0x20, 0x23), TableType::Regular2, &table),
              u"10\r\nA\r\n12\r\nB\r\n14\r\nAB\r\n");
}

TEST_F(ExtractTest, PascalLineStringsFollowEachOther) {
    const auto rom = RomBuilder(0x1010).Put(0x300, {0x03, 0x02}).Put(0x1000, {0x41, 0x42, 0x43, 0x44, 0x45}).bytes();
    EXPECT_EQ(RunBody(rom, Job(0x300, 0x301, 0x1000, 0x1004), TableType::PascalLine), u"<41><42><43>\r\n<44><45>\r\n");

    // Without a table the whole region is one string; the Text Start is no length.
    EXPECT_EQ(RunBody(rom, Job(0, 0, 0x1000, 0x1002), TableType::PascalLine), u"<41><42><43>\r\n");
    EXPECT_EQ(engine.Entries(), (std::vector<PointerEntry>{{0x1000, -1}}));
}

TEST_F(ExtractTest, TheEndOfTextAndOfTheFileBoundTheStrings) {
    // A last pointer at Text End + 1 is an empty string.
    EXPECT_EQ(RunBody(RomBuilder(0x30).Put(0x10, {0x10, 0x00, 0x13, 0x00}).Put(0x20, {0x41, 0x42, 0x43, 0x44}).bytes(),
                      Job(0x10, 0x14, 0x20, 0x22, 0x10), TableType::Regular2),
              u"10\r\n<41><42><43>\r\n12\r\n\r\n");

    // The region runs on past the file: the string ends with the file.
    EXPECT_EQ(RunBody(RomBuilder(0x12).Put(0x10, {0x41, 0x42}).bytes(), Job(0, 0, 0x10, 0x100), TableType::Regular2),
              u"<41><42>\r\n");
    // A string starting beyond the file is empty; a table reaching past the file stops.
    EXPECT_EQ(RunBody(RomBuilder(0x15).Put(0x10, {0x04, 0x00, 0x30, 0x00, 0x41}).bytes(),
                      Job(0x10, 0x20, 0x14, 0x40, 0x10), TableType::Regular2),
              u"10\r\n<41>\r\n12\r\n\r\n");
}

TEST_F(ExtractTest, AStringBelowItsPredecessorEndsTheBodyWithTheErrorLine) {
    // The offset pushes the highest pointer past the top of the signed range.
    const auto rom =
        RomBuilder(0x60).Put(0x10, {0x10, 0x00, 0x00, 0x00, 0x20, 0x00, 0x00, 0x00, 0xF0, 0xFF, 0xFF, 0x7F}).bytes();
    EXPECT_EQ(Narrow(RunBody(rom, Job(0x10, 0x1C, 0x30, 0x50, 0x20), TableType::Regular4)),
              Narrow(u"10\r\n" + Repeat(u"<00>", 16) + u"\r\nError: Start is greater than end (start==40)"));
    EXPECT_EQ(prompt.messages, (std::vector<std::u16string>{std::u16string(messages::kDone)}));

    // The last string ending below its start: Text End + 1 is its bound.
    EXPECT_EQ(RunBody(RomBuilder(0x40).Put(0x10, {0x20, 0x00, 0x30, 0x00}).bytes(), Job(0x10, 0x14, 0x20, 0x22),
                      TableType::Regular2),
              u"10\r\n" + Repeat(u"<00>", 16) + u"\r\nError: Start is greater than end (start==30)");
}

TEST_F(ExtractTest, AMissingRomIsAFileErrorEvenForAJobThatReadsNothing) {
    const auto missing = dir / "missing.nes";
    engine.settings.textStart = 0x10;  // Scattered with Text End 0 has no entries at all
    EXPECT_THROW((void)engine.Extract(missing, nullptr, TableType::Scattered2, TextType::Regular, prompt), FileError);
    EXPECT_THROW((void)engine.Extract(missing, nullptr, TableType::Regular2, TextType::Regular, prompt), FileError);
    // Even a command too long to use is only reported for a ROM that opens.
    engine.settings.commandLength = 9;
    EXPECT_THROW((void)engine.Extract(missing, nullptr, TableType::Scattered4, TextType::Regular, prompt), FileError);
    EXPECT_TRUE(prompt.messages.empty());
}

TEST_F(ExtractTest, ScatteredPointerLinesListWhereThePointerValueLies) {
    // The string at 400 is the pointer value 9A with X000 Offset 366.
    RomBuilder rom(0x420);
    rom.Put(0x200, {0x9A, 0x00}).Put(0x250, {0x9A, 0x00}).Put(0x400, {0x41, 0xFF, 0x42, 0xFF});
    const auto job = Job(0x200, 0x2FF, 0x400, 0x403, 0x366, 0xFF, 1);
    EXPECT_EQ(Narrow(Run(rom.bytes(), job, TableType::Scattered2)),
              Narrow(u"Table Start:\t200\r\nTable End:\t2FF\r\nText Start:\t400\r\nText End:\t403\r\nXOffset:\t366\r\n"
                     u"\r\nTable Type:\t2\r\nText Type:\t0\r\nHuffTable:\tFF\r\n-----------------\r\n"
                     u"200 250 (9A)\r\n<41><FF>\r\n(9C)\r\n<42><FF>\r\n"));

    // At most five offsets, in rising order.
    for (const int q : {0x210, 0x220, 0x230, 0x240, 0x2F0}) rom.Put(static_cast<std::size_t>(q), {0x9A, 0x00});
    EXPECT_EQ(SplitLines(RunBody(rom.bytes(), job, TableType::Scattered2))[0], u"200 210 220 230 240 (9A)");

    // Four-byte pointers compare all four bytes.
    RomBuilder wide(0x420);
    wide.Put(0x200, {0x9A, 0x00, 0x00, 0x00}).Put(0x210, {0x9A, 0x00, 0x01, 0x00}).Put(0x400, {0x41, 0xFF});
    EXPECT_EQ(SplitLines(RunBody(wide.bytes(), Job(0x200, 0x2FF, 0x400, 0x401, 0x366, 0xFF, 1), TableType::Scattered4))[0],
              u"200 (9A)");

    // The value also stands in the text and as the file's last byte: neither is
    // listed (the last byte's second byte would lie past the end).
    RomBuilder edges(0x311);
    edges.Put(0x100, {0x9A, 0x00}).Put(0x200, {0x41, 0x9A, 0x00, 0xFF}).Put(0x300, {0x9A, 0x00}).Put(0x310, {0x9A});
    EXPECT_EQ(SplitLines(RunBody(edges.bytes(), Job(0, 0, 0x200, 0x203, 0x200 - 0x9A, 0xFF, 1), TableType::Scattered2))[0],
              u"100 300 (9A)");
}

TEST_F(ExtractTest, ScatteredSearchMatchesAScanPerString) {
    std::mt19937 random(99);
    for (int trial = 0; trial < 60; ++trial) {
        const std::size_t size = 1500 + static_cast<std::size_t>(random() % 600);
        std::vector<std::uint8_t> rom(size);
        for (auto& byte : rom) byte = static_cast<std::uint8_t>(random() % 6 == 0 ? 0xFF : random() % 4);
        const int width = trial % 2 ? 4 : 2;
        JobSettings typed = Job(0, 0, static_cast<std::int32_t>(200 + random() % 300), 0, 0, 0xFF, 1);
        typed.textEnd = typed.textStart + static_cast<std::int32_t>(random() % 400);
        typed.tableStart = static_cast<std::int32_t>(random() % 3 == 0 ? 0 : random() % 800) - 20;
        typed.tableEnd = random() % 3 == 0 ? 0 : static_cast<std::int32_t>(random() % (size + 100));
        typed.xOffset = typed.textStart - static_cast<std::int32_t>(random() % 3);
        const auto script = Run(rom, typed, width == 2 ? TableType::Scattered2 : TableType::Scattered4);
        const JobSettings& job = engine.settings;
        ASSERT_FALSE(script.empty());
        const auto lines = SplitLines(Body(script));
        const auto& entries = engine.Entries();
        ASSERT_EQ(lines.size(), 2 * entries.size());

        const std::int64_t last = job.tableEnd == 0 ? static_cast<std::int64_t>(size) - 1 : job.tableEnd;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const std::uint32_t value = static_cast<std::uint32_t>(entries[i].address - job.xOffset);
            std::u16string expected;
            int found = 0;
            for (std::int64_t q = job.tableStart; q <= last && found < 5; ++q) {
                if (q >= job.textStart && q < job.textEnd) continue;
                if (q < 0 || q + width > static_cast<std::int64_t>(size)) continue;
                bool equal = true;
                for (int k = 0; k < width; ++k)
                    equal = equal && rom[static_cast<std::size_t>(q + k)] == ((value >> (8 * k)) & 0xFF);
                if (!equal) continue;
                expected += FormatHex(static_cast<std::int32_t>(q)) + u" ";
                ++found;
            }
            expected += u"(" + FormatHex(static_cast<std::int32_t>(value)) + u")";
            ASSERT_EQ(Narrow(lines[2 * i]), Narrow(expected)) << "trial " << trial << " entry " << i;
        }
    }
}
