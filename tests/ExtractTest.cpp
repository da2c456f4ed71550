// Extract: the scripts it writes, the pointer tables and Huffman text it
// reads, the jobs it refuses, and the faults the fuzz targets found in it.
#include "chartable/CharTable.h"
#include "extract/Extract.h"
#include "extract/Huffman.h"
#include "insert/HuffmanCodes.h"
#include "job/Messages.h"
#include "platform/CodePage.h"
#include "platform/Numbers.h"
#include "pointers/PointerTable.h"

#include "ScriptBuilders.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <limits>
#include <random>

namespace quorvex {
namespace {

using namespace test;
using Values = std::vector<std::uint16_t>;
using Entries = std::vector<PointerEntry>;
constexpr TableType R2 = TableType::Regular2;

std::u16string ExtractScript(const Bytes& rom, const JobSettings& job, TableType type, const CharTable* table = nullptr,
                             TextType textType = TextType::Regular) {
    const ExtractResult result = Extract(rom, job, table, type, textType);
    EXPECT_EQ(result.message, messages::kDone);
    return result.script ? FromUtf8(*result.script) : u"<refused>";
}

std::u16string Repeat(std::u16string_view text, int times) {
    return times > 0 ? std::u16string(text) + Repeat(text, times - 1) : u"";
}

const CharTable kABEnd = CharTable::FromText(u"41=A\r\n42=B\r\nFF=[END]\r\n");

// Each Scattered pointer line lists where the string's pointer value lies (9A, with X000 Offset 366).
// (The worked example of the script format goes through the command line's extract.)
TEST(ExtractTest, TheScatteredExample) {
    const Bytes scattered =
        RomBuilder(0x420).Put(0x200, {0x9A, 0}).Put(0x250, {0x9A, 0}).Put(0x400, {0x41, 0xFF, 0x42, 0xFF}).bytes();
    EXPECT_EQ(Narrow(ExtractScript(scattered, Job(0x200, 0x2FF, 0x400, 0x403, 0x366, 0xFF, 1), TableType::Scattered2)),
              "Table Start:\t200\r\nTable End:\t2FF\r\nText Start:\t400\r\nText End:\t403\r\nXOffset:\t366\r\n\r\n"
              "Table Type:\t2\r\nText Type:\t0\r\nHuffTable:\tFF\r\n-----------------\r\n"
              "200 250 (9A)\r\n<41><FF>\r\n(9C)\r\n<42><FF>\r\n");
}

TEST(ExtractTest, TheHeaderRecordsTheDerivedValues) {
    const auto has = [](const std::u16string& script,
        std::u16string_view text) { return script.find(text) != std::u16string::npos; };
    // A missing Table End runs up to the byte before the text.
    std::u16string script = ExtractScript(Bytes(0x200), Job(0x100, 0, 0x180, 0x181, 0x100), R2);
    EXPECT_TRUE(has(script, u"Table Start:\t100\r\nTable End:\t17F\r\n"));
    EXPECT_TRUE(has(script, u"\r\n17C r17E\r\n17E\r\n<00>")) << Narrow(script);
    // Pointers 8010, 8040, 8020 with Text Start 4010: the offset follows from the smallest.
    const Bytes pointers = RomBuilder(0x4050).Put(0x10, {0x10, 0x80, 0x40, 0x80, 0x20, 0x80}).bytes();
    script = ExtractScript(pointers, Job(0x10, 0x16, 0x4010, 0x404F), R2);
    EXPECT_TRUE(has(script, u"XOffset:\tFFFFC000\r\n"));
    const std::u16string sixteen = Repeat(u"<00>", 16);
    EXPECT_EQ(Body(script), u"10\r\n" + sixteen + u"\r\n14\r\n" + sixteen + sixteen + u"\r\n12\r\n" + sixteen + u"\r\n");
    // Table Start 0 is a present table, but no offset is derived for it.
    script = ExtractScript(RomBuilder(0x40).Put(0, {0x20, 0x00, 0x21, 0x00}).bytes(), Job(0, 4, 0x20, 0x21), R2);
    EXPECT_TRUE(has(script, u"XOffset:\t0\r\n"));
    EXPECT_EQ(Body(script), u"0\r\n<00>\r\n2\r\n<00>\r\n");
    // Custom1 ignores the numbers typed and writes the range its table gives; its strings may overlap.
    const Bytes custom = RomBuilder(0x4000).PutRamp(0x20, 26, 0x41).Put(0x3DB0, {0x05, 0x10, 0x80, 0x02, 0x13, 0x80})
        .Put(0x3DE6, {0x0A, 0x00, 0x90}).bytes();
    script = ExtractScript(custom, Job(0x123, 0x456, 0x789, 0xABC), TableType::Custom1);
    EXPECT_TRUE(has(script,
        u"Table Start:\t3DB0\r\nTable End:\t3DE6\r\nText Start:\t20\r\nText End:\t1019\r\nXOffset:\tFFFF8010\r\n"));
    EXPECT_TRUE(Body(script).starts_with(u"<41><42><43><44><45>\r\n<44><45>\r\n\r\n")) << Narrow(script);
}

TEST(ExtractTest, BodiesOfEachForm) {
    const Bytes shared = RomBuilder(0x50).Put(0x10, {0x40, 0x00, 0x40, 0x00}).Put(0x40, {0x41, 0x42, 0xFF}).bytes();
    const Bytes many(0x10 + 0x10001, 0x41);
    const Bytes mixed = RomBuilder(0x20).Put(0x10, {0x41, 0x0A, 0xFF, 0x43}).bytes();
    const Bytes pascal = RomBuilder(0x1010).Put(0x300, {0x03, 0x02}).Put(0x1000, {0x41, 0x42, 0x43, 0x44, 0x45}).bytes();
    const CharTable onlyA = CharTable::FromText(u"41=A\r\n");
    const CharTable pairs = CharTable::FromText(u"4142=AB\r\n41=A\r\n42=B\r\n");
    // Huffman v1: a tree at 0x100 whose root has the leaves 41 (0) and 42 (1).
    const Bytes v1 =
        RomBuilder(0x400).Put(0x12A, {0x80}).Put(0x155, {0x81}).Put(0x180, {0x41, 0x42}).Put(0x300, {0xF0, 0xFF}).bytes();
    const CharTable ab = CharTable::FromText(u"41=a\r\n42=b\r\n");
    // Huffman v2: index i at 0x100 holds 40 + i, index 10 F0. Pointers one byte
    // apart: 0000 0100 | 10010, then 10010 alone; the bound is no end.
    const Bytes v2 = RomBuilder(0x200).PutRamp(0x100, 48, 0x40).Put(0x10A, {0xF0}).Put(0x10, {0x20, 0, 0x21, 0})
        .Put(0x20, {0x04, 0x90}).bytes();
    const CharTable v2Table = CharTable::FromText(u"40=a\r\n44=e\r\nF0=[end]\r\n");
    const struct {
        const char* name;
        Bytes rom;
        JobSettings job;
        TableType type;
        const CharTable* table;
        std::u16string body;
        TextType textType = TextType::Regular;
    } cases[] = {
        {"two pointers to one text: a repeat line", shared, Job(0x10, 0x14, 0x40, 0x42), R2, &kABEnd,
         u"10 r12\r\n12\r\nAB[END]\r\n"},
        {"Text End 0 lists where strings start", RomBuilder(0x60).Put(0x10, {0x40, 0x00, 0x50, 0x00}).bytes(),
         Job(0x10, 0x14, 0x40, 0), R2, &kABEnd, u"10\r\n0x40\r\n12\r\n0x50\r\n"},
        {"no table: one string", shared, Job(0, 0, 0x40, 0x42), TableType::Variation4, &kABEnd, u"AB[END]\r\n"},
        {"more than 65,535 bytes are listed", many, Job(0, 0, 0x10, 0x10 + 0x10000), R2, &kABEnd, u"0x10\r\n"},
        {"65,535 bytes decode", many, Job(0, 0, 0x10, 0x10 + 0xFFFE), R2, &kABEnd, std::u16string(0xFFFF, u'A') + u"\r\n"},
        {"bytes without an entry are escapes", mixed, Job(0, 0, 0x10, 0x13), R2, &onlyA, u"A<0A><FF><43>\r\n"},
        {"no character table", mixed, Job(0, 0, 0x10, 0x13), R2, nullptr, u"<41><0A><FF><43>\r\n"},
        {"keys never reach into the next string",
         RomBuilder(0x30).Put(0x10, {0x20, 0, 0x21, 0, 0x22, 0}).Put(0x20, {0x41, 0x42, 0x41, 0x42}).bytes(),
         Job(0x10, 0x16, 0x20, 0x23), R2, &pairs, u"10\r\nA\r\n12\r\nB\r\n14\r\nAB\r\n"},
        {"PascalLine strings follow each other", pascal, Job(0x300, 0x301, 0x1000, 0x1004), TableType::PascalLine, nullptr,
         u"<41><42><43>\r\n<44><45>\r\n"},
        {"PascalLine without a table", pascal, Job(0, 0, 0x1000, 0x1002), TableType::PascalLine, nullptr, u"<41><42><43>\r\n"},
        {"a last pointer at Text End + 1 is empty",
         RomBuilder(0x30).Put(0x10, {0x10, 0, 0x13, 0}).Put(0x20, {0x41, 0x42, 0x43, 0x44}).bytes(),
         Job(0x10, 0x14, 0x20, 0x22, 0x10), R2, nullptr, u"10\r\n<41><42><43>\r\n12\r\n\r\n"},
        {"the file ends the region", RomBuilder(0x12).Put(0x10, {0x41, 0x42}).bytes(), Job(0, 0, 0x10, 0x100), R2,
         nullptr, u"<41><42>\r\n"},
        {"a string beyond the file is empty", RomBuilder(0x15).Put(0x10, {0x04, 0x00, 0x30, 0x00, 0x41}).bytes(),
         Job(0x10, 0x20, 0x14, 0x40, 0x10), R2, nullptr, u"10\r\n<41>\r\n12\r\n\r\n"},
        // The offset pushes the highest pointer past the top of the signed range.
        {"a string below its predecessor ends the body",
         RomBuilder(0x60).Put(0x10, {0x10, 0, 0, 0, 0x20, 0, 0, 0, 0xF0, 0xFF, 0xFF, 0x7F}).bytes(),
         Job(0x10, 0x1C, 0x30, 0x50, 0x20), TableType::Regular4, nullptr,
         u"10\r\n" + Repeat(u"<00>", 16) + u"\r\nError: Start is greater than end (start==40)"},
        {"a last string ending below its start", RomBuilder(0x40).Put(0x10, {0x20, 0x00, 0x30, 0x00}).bytes(),
         Job(0x10, 0x14, 0x20, 0x22),
         R2, nullptr, u"10\r\n" + Repeat(u"<00>", 16) + u"\r\nError: Start is greater than end (start==30)"},
        // 1111 0000 1111 1111: a v1 string runs through its bound, Text End + 1.
        {"Huffman v1", v1, Job(0, 0, 0x300, 0x300, 0, 0x100), R2, &ab, u"300\r\nbbbbaaaabbbbbbbb\r\n", TextType::HuffmanV1},
        {"Huffman v2", v2, Job(0x10, 0x14, 0x20, 0x21, 0, 0x100), R2, &v2Table, u"10\r\nae[end]\r\n12\r\n[end]\r\n",
         TextType::HuffmanV2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Narrow(Body(ExtractScript(c.rom, c.job, c.type, c.table, c.textType))), Narrow(c.body)) << c.name;
}

// At most five offsets per string, in rising order, each holding all `width`
// bytes of the value, outside the text and inside the file: as a plain scan finds them.
TEST(ExtractTest, ScatteredPointerSearchMatchesAScanPerString) {
    std::mt19937 random(99);
    for (int trial = 0; trial < 60; ++trial) {
        const std::size_t size = 1500 + random() % 600;
        Bytes rom(size);
        for (auto& byte : rom) byte = static_cast<std::uint8_t>(random() % 6 == 0 ? 0xFF : random() % 4);
        const int width = trial % 2 ? 4 : 2;
        JobSettings typed = Job(static_cast<std::int32_t>(random() % 3 == 0 ? 0 : random() % 800) - 20,
                                random() % 3 == 0 ? 0 : static_cast<std::int32_t>(random() % (size + 100)),
                                static_cast<std::int32_t>(200 + random() % 300), 0, 0, 0xFF, 1);
        typed.textEnd = typed.textStart + static_cast<std::int32_t>(random() % 400);
        typed.xOffset = typed.textStart - static_cast<std::int32_t>(random() % 3);
        const auto script = ExtractScript(rom, typed, width == 2 ? TableType::Scattered2 : TableType::Scattered4);
        const JobSettings job = ReadScriptHeader(script).value().job;
        const auto lines = SplitLines(Body(script));
        ASSERT_FALSE(lines.empty());
        const std::int64_t last = job.tableEnd == 0 ? static_cast<std::int64_t>(size) - 1 : job.tableEnd;
        for (std::size_t i = 0; i < lines.size(); i += 2) {
            const std::size_t open = lines[i].find(u'(');
            ASSERT_NE(open, std::u16string::npos) << Narrow(lines[i]);
            const auto value = static_cast<std::uint32_t>(ScanHex(lines[i].substr(open + 1)).value_or(-1));
            std::u16string expected;
            for (std::int64_t q = job.tableStart, found = 0; q <= last && found < 5; ++q) {
                if ((q >= job.textStart && q < job.textEnd) || q < 0 || q + width > static_cast<std::int64_t>(size)) continue;
                bool equal = true;
                for (int k = 0; k < width; ++k) equal = equal && rom[static_cast<std::size_t>(q + k)] == (value >> 8 * k & 0xFF);
                if (equal) {
                    expected += FormatHex(static_cast<std::int32_t>(q)) + u" ";
                    ++found;
                }
            }
            ASSERT_EQ(Narrow(lines[i]), Narrow(expected + u"(" + FormatHex(static_cast<std::int32_t>(value)) + u")")) << trial;
        }
    }
}

TEST(ExtractTest, RefusedJobs) {
    const Bytes zeros(0x10 + 2 * 65536 + 0x10, 0);
    const std::int32_t text = 0x10 + 2 * 65536;
    Bytes alternating(2 * 65536);  // 65,536 strings, each cut by an End Dialog Command
    for (std::size_t i = 0; i < alternating.size(); ++i) alternating[i] = i % 2 ? 0xFF : 0x41;
    // A fuzz finding: Huffman strings end only at their end code or the end of
    // the file, so with Text End 0 each pointer decoded the rest of the ROM, and
    // long entry texts grew the script until memory ran out.
    RomBuilder endless(0x10000, 0x55);
    endless.Put(0x2A, {0x80}).Put(0x55, {0x81}).Put(0x80, {0x41, 0x42}).Put(0x85, {0x41});
    for (std::uint8_t i = 0; i < 8; ++i) endless.Put(0x10 + 2u * i, {i, 0x01});
    const CharTable wordy =
        CharTable::FromText(u"41=" + std::u16string(600, u'a') + u"\r\n42=" + std::u16string(600, u'b') + u"\r\n");
    const struct {
        const Bytes& rom;
        JobSettings job;
        TableType type;
        TextType textType;
        std::u16string_view message;
    } cases[] = {
        {zeros, Job(0x10, text, text, text + 1), R2, TextType::Regular, messages::kTooManyEntries},
        {zeros, Job(0x10, text - 2, text, text + 1), R2, TextType::Regular, messages::kDone},  // 65,535 pointers
        {alternating, Job(0, 0, 0, static_cast<std::int32_t>(alternating.size()) - 1, 0, 0xFF, 1), TableType::Scattered2,
         TextType::Regular, messages::kTooManyEntries},
        {zeros, Job(0, 0, 0x10, 0x20, 0, 0x12345678, 5), TableType::Scattered2, TextType::Regular, messages::kCommandTooLong},
        {zeros, Job(0, 0, 0x10, 0x20, 0, 0x12345678, 5), TableType::Scattered4, TextType::Regular, messages::kCommandTooLong},
        {endless.bytes(), Job(0x10, 0x20, 0x100, 0, 0, 0), R2, TextType::HuffmanV1, messages::kScriptTooLarge},
        {endless.bytes(), Job(0x10, 0x20, 0x100, 0, 0, 0x80), R2, TextType::HuffmanV2, messages::kScriptTooLarge},
    };
    for (const auto& c : cases) {
        const ExtractResult result = Extract(c.rom, c.job, &wordy, c.type, c.textType);
        EXPECT_EQ(result.message, c.message);
        EXPECT_EQ(result.script.has_value(), c.message == messages::kDone) << Narrow(c.message);
    }
}

// A fuzz finding: the scan walked every one of the two billion offsets before the file, one at a time.
TEST(ExtractTest, ScatteredTextStartFarBelowZeroEndsAtOnce) {
    const Bytes rom = RomBuilder(0x50).Put(0x10, {0x41, 0xFF, 0x42, 0xFF, 0x43}).bytes();
    for (const TableType type : {TableType::Scattered2, TableType::Scattered4}) {
        for (const std::int32_t commandLength : {0, 1}) {
            const auto started = std::chrono::steady_clock::now();
            const JobSettings job = Job(0, 0, INT32_MIN + 0x1000, 0x310, 0, 0xFF, commandLength);
            const auto lines = SplitLines(Body(ExtractScript(rom, job, type)));
            EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count(), 2.0);
            // The first string starts where the user said and runs into the file, cut after each FF: 41 FF | 42 FF | 43 ...
            std::u16string pointerLines;
            for (std::size_t i = 0; i < lines.size(); i += 2) pointerLines += lines[i];
            EXPECT_EQ(pointerLines, commandLength == 0 ? u"(80001000)" : u"(80001000)(12)(14)");
        }
    }
}

// Every one of the 48 codes, written then read: index 10, the end code, last.
TEST(HuffmanTest, EveryVersion2CodeReadsBackAsWritten) {
    BitWriter writer;
    Values expected;
    for (int index = 0; index < kHuffmanIndexCount; ++index) {
        if (index == 10) continue;
        EmitHuffmanIndex(writer, index);
        expected.push_back(static_cast<std::uint16_t>(0x40 + index));
    }
    EmitHuffmanIndex(writer, 10);
    expected.push_back(0x4A);
    writer.EndString();
    const Bytes rom = RomBuilder(0x100).PutRamp(0, kHuffmanIndexCount, 0x40).Put(0x40, writer.bytes()).bytes();
    EXPECT_EQ(DecodeHuffmanV2(rom, 0, 0x40), expected);
}

// The codes themselves go through the round trips; here, where strings end.
TEST(HuffmanTest, StringsEndAtTheirBoundOrWhereTheFileEnds) {
    // v2, the code table at 0x100 (index i holds 40 + i): index 7's byte lies past
    // the file; 0011 | 110.. is cut off, and the unfinished character dropped.
    const Bytes table5 = RomBuilder(0x105).PutRamp(0x100, 5, 0x40).Put(0x10, {0x12, 0x70}).bytes();
    EXPECT_EQ(DecodeHuffmanV2(table5, 0x100, 0x10), (Values{0x41, 0x42}));
    const Bytes v2 = RomBuilder(0x200).PutRamp(0x100, 48, 0x40).Put(0x1FF, {0x3C}).bytes();
    EXPECT_EQ(DecodeHuffmanV2(v2, 0x100, 0x1FF), Values{0x43});
    EXPECT_TRUE(DecodeHuffmanV2(v2, 0x100, 0x200).empty() && DecodeHuffmanV2(v2, 0x100, -5).empty());
    // Index 0 over and over (the bits 0000), never the end index: no length limit.
    EXPECT_EQ(DecodeHuffmanV2(RomBuilder(0x40 + 40000).PutRamp(0, 48, 0x40).bytes(), 0, 0x40), Values(80000, 0x40));
    // v1, a tree at 0x100. Root: 0 -> node 1, 1 -> leaf 82. Node 1: 0 -> leaf 80 (the byte 00), 1 -> leaf 81.
    // 00 1 00 1 1 0.. | ..0 1 00 00 00: one byte cuts off a character, two finish it; unbounded, the file ends it.
    const Bytes v1 = RomBuilder(0x302).Put(0x12A, {0x01, 0x80}).Put(0x155, {0x82, 0x81}).Put(0x180, {0, 0x41, 0x42})
        .Put(0x300, {0x26, 0x40}).bytes();
    EXPECT_EQ(DecodeHuffmanV1(v1, 0x100, 0x300, 0x300, true), (Values{0, 0x42, 0, 0x42, 0x42}));
    EXPECT_EQ(DecodeHuffmanV1(v1, 0x100, 0x300, 0x301, true), (Values{0, 0x42, 0, 0x42, 0x42, 0, 0x42, 0, 0, 0}));
    EXPECT_EQ(DecodeHuffmanV1(v1, 0x100, 0x300, 0x300, false), DecodeHuffmanV1(v1, 0x100, 0x300, 0x301, true));
    EXPECT_TRUE(DecodeHuffmanV1(v1, 0x100, 0x300, 0x2FF, true).empty());
    // 0 | 10 | 11: node 50's right child lies past the end of the file.
    const Bytes cut = RomBuilder(0x1A0).Put(0x12A, {0x80}).Put(0x155, {0x50}).Put(0x17A, {0x81}).Put(0x180, {0x41, 0x42})
                          .Put(0x10, {0x58}).bytes();
    EXPECT_EQ(DecodeHuffmanV1(cut, 0x100, 0x10, 0x10, true), (Values{0x41, 0x42}));
}

TEST(PointerTableTest, EachLayoutReadsItsEntries) {
    const Bytes four = RomBuilder(0x200).Put(0x100, {0x10, 0x80, 0x20, 0x80, 0x30, 0x80, 0x40, 0x80}).bytes();
    const Bytes short15(0x15), short16(0x16), blank(0x80);
    const Bytes pascal = RomBuilder(0x400).Put(0x300, {0x05, 0x00, 0xC8, 0x07}).bytes();
    const Bytes commands = RomBuilder(0x20).Put(0x10, {0x41, 0x42, 0xFF, 0x43, 0xFF, 0xFF, 0x44}).bytes();
    const Bytes twoByte = RomBuilder(0x20).Put(0x10, {0x41, 0x00, 0xFF, 0x00, 0xFF, 0x42}).bytes();
    const Bytes padded = RomBuilder(0x20).Put(0x10, {0x41, 0xFF, 0x00, 0x41, 0xFF, 0x42}).bytes();
    const Bytes two = RomBuilder(0x20).Put(0x10, {0x41, 0xFF, 0x42, 0xFF}).bytes(), two14(two.begin(), two.begin() + 0x14);
    const auto T = [](std::int32_t start, std::int32_t end) { return Job(start, end, 0, 0); };
    const auto S = [](std::int32_t end, std::int32_t command, std::int32_t n) { return Job(0, 0, 0x10, end, 0, command, n); };
    using TT = TableType;
    const struct {
        const char* name;
        Bytes rom;
        JobSettings job;
        TableType type;
        Entries entries;
        bool addXOffset = true;
    } cases[] = {
        // An entry is read when its first byte lies before Table End.
        {"Regular2", four, T(0x100, 0x107), TT::Regular2,
         {{0x8010, 0x100}, {0x8020, 0x102}, {0x8030, 0x104}, {0x8040, 0x106}}},
        {"Regular2 to 106", four, T(0x100, 0x106), TT::Regular2, {{0x8010, 0x100}, {0x8020, 0x102}, {0x8030, 0x104}}},
        // Variation1: the low bytes, then the high bytes half a table further (3.5 rounds up to 4).
        {"Variation1", four, T(0x100, 0x107), TT::Variation1,
         {{0x3010, 0x100}, {0x8080, 0x101}, {0x4020, 0x102}, {0x8080, 0x103}}},
        {"Variation4", RomBuilder(0x20).Put(0x10, {0x00, 0x01, 0x80, 0x10}).bytes(), T(0x10, 0x14), TT::Variation4,
         {{0x18010, 0x10}}},
        {"Regular3", RomBuilder(0x20).Put(0x10, {0x10, 0x80, 0x01}).bytes(), T(0x10, 0x13), TT::Regular3, {{0x18010, 0x10}}},
        {"Regular4", RomBuilder(0x20).Put(0x10, {0x10, 0, 0, 0, 0, 0, 0, 0x80}).bytes(), T(0x10, 0x18), TT::Regular4,
         {{0x10, 0x10}, {INT32_MIN, 0x14}}},
        // PascalLine: one length byte per entry, through Table End.
        {"PascalLine", pascal, T(0x300, 0x302), TT::PascalLine, {{5, 0x300}, {0, 0x301}, {200, 0x302}}, false},
        // The end of the file ends a table: no byte past it is read.
        {"Regular2 at the file's end", short15, T(0x10, INT32_MAX), TT::Regular2, {{0, 0x10}, {0, 0x12}}},
        {"Regular4 at the file's end", short15, T(0x10, INT32_MAX), TT::Regular4, {{0, 0x10}}},
        {"PascalLine at the file's end", short15, T(0x12, INT32_MAX), TT::PascalLine, {{0, 0x12}, {0, 0x13}, {0, 0x14}}, false},
        {"Variation1 high half past the file", short15, T(0x10, INT32_MAX), TT::Variation1, {}},
        {"Variation1 high half cut by the file", short16, T(0x10, 0x18), TT::Variation1, {{0, 0x10}, {0, 0x11}}},
        // Without a table every ordinary layout has the one entry at Text Start; an unknown type has none.
        {"no table", blank, Job(0, 0, 0x40, 0), TT::Variation4, {{0x40, -1}}},
        {"no table, PascalLine", blank, Job(0, 0, 0x40, 0), TT::PascalLine, {{0x40, -1}}},
        {"unknown type", blank, Job(0x10, 0x20, 0x40, 0), static_cast<TT>(9), {}},
        // Scattered: a string ends with the last command of a run of commands.
        {"Scattered", commands, S(0x16, 0xFF, 1), TT::Scattered2, {{0x10, 0}, {0x13, 0}, {0x16, 0}}, false},
        // FF00 is the ROM bytes 00 FF; two commands back to back end two strings.
        {"Scattered, a two-byte command", twoByte, S(0x15, 0xFF00, 2), TT::Scattered4, {{0x10, 0}, {0x13, 0}, {0x15, 0}}, false},
        // Only the command's own bytes are compared: FF 00 matches 00FF whatever follows...
        {"Scattered, the command's bytes only", padded, S(0x15, 0x00FF, 2), TT::Scattered2, {{0x10, 0}, {0x13, 0}}, false},
        // ...and a 1-byte command never equals a value with bits above its byte.
        {"Scattered, a value wider than the command", padded, S(0x15, 0x1FF, 1), TT::Scattered2, {{0x10, 0}}, false},
        {"Scattered, Text End 0", two, S(0, 0xFF, 1), TT::Scattered2, {}, false},
        {"Scattered, no command", two, S(0x13, 0xFF, 0), TT::Scattered2, {{0x10, 0}}, false},
        {"Scattered past the file", two14, S(0x100, 0xFF, 1), TT::Scattered2, {{0x10, 0}, {0x12, 0}}, false},
        // The last FF would need its partner byte from past the end: the file's end ends the string.
        {"Scattered, a command cut by the file", RomBuilder(0x14).Put(0x10, {0x41, 0xFF, 0x00, 0xFF}).bytes(),
         S(0x100, 0x00FF, 2),
         TT::Scattered2, {{0x10, 0}, {0x13, 0}}, false},
    };
    for (const auto& c : cases) {
        const PointerTable table = ReadPointerTable(c.rom, c.job, c.type);
        EXPECT_EQ(table.entries, c.entries) << c.name;
        EXPECT_EQ(table.addXOffset, c.addXOffset) << c.name;
        EXPECT_FALSE(table.tooManyEntries) << c.name;
    }
}

// Custom1 entries the file does not hold whole are left out, the others kept.
TEST(PointerTableTest, Custom1SkipsEntriesPastTheEndOfTheFile) {
    const Bytes cut = RomBuilder(0x3DB0 + 3 * 5 + 2).Put(0x3DB0, {0x02, 0x00, 0x80}).bytes();
    const PointerTable table = ReadPointerTable(cut, Job(0, 0, 0, 0), TableType::Custom1);
    EXPECT_EQ(table.entries, (Entries{{0x10, 2}, {-0x7FF0, 0}, {-0x7FF0, 0}, {-0x7FF0, 0}, {-0x7FF0, 0}}));
    EXPECT_EQ(std::tie(table.job.xOffset, table.job.tableStart, table.job.tableEnd), std::tuple(-0x7FF0, 0x3DB0, 0x3DE6));
}

TEST(PointerTableTest, RoundHalfUpRoundsHalvesUpAndNegativesTowardZero) {
    const std::pair<float, std::int32_t> cases[] = {{3.5f, 4},  {3.49f, 3}, {4.0f, 4}, {0.0f, 0}, {-2.5f, -2}, {-2.7f, -2},
                                                    {1e20f, INT32_MAX}, {-1e20f, INT32_MIN},
                                                     {std::numeric_limits<float>::quiet_NaN(), 0}};
    for (const auto& [x, rounded] : cases) EXPECT_EQ(RoundHalfUp(x), rounded) << x;
}

// The procedure the order must match, taken literally.
void ExchangeSort(Entries& entries) {
    for (std::size_t i = 0; i + 1 < entries.size(); ++i)
        for (std::size_t j = i + 1; j < entries.size(); ++j)
            if (entries[j].address < entries[i].address) std::swap(entries[i], entries[j]);
}

Entries RandomEntries(std::mt19937& random, std::size_t count, std::int32_t low, std::int32_t high) {
    std::uniform_int_distribution<std::int32_t> address(low, high);
    Entries entries(count);
    for (std::size_t i = 0; i < count; ++i) entries[i] = {address(random), static_cast<std::int32_t>(i)};
    return entries;
}

TEST(SortEntriesTest, MatchesTheExchangeSortOnRandomAndStructuredLists) {
    std::mt19937 random(20261206);
    // The exchange sort is not stable: the hand carries the first 5 past the second.
    std::vector<Entries> lists = {{{5, 0}, {5, 1}, {3, 2}}};
    for (int trial = 0; trial < 4000; ++trial) lists.push_back(RandomEntries(random, random() % 121,
        -(1 + trial % 12) / 2, 1 + trial % 12));
    for (const std::int32_t range : {1, 2, 7, 40, 300, 5000, 1000000}) lists.push_back(RandomEntries(random, 2500, 0, range));
    Entries reversed, sawtooth, blocks, extremes;
    for (std::int32_t i = 0; i < 600; ++i) {
        reversed.push_back({600 - i / 2, i});
        sawtooth.push_back({(i * 7) % 13, i});
        blocks.push_back({i < 300 ? 1 : 0, i});
        extremes.push_back({i % 2 ? INT32_MIN : INT32_MAX, i});
    }
    lists.insert(lists.end(), {reversed, sawtooth, blocks, extremes});
    for (std::size_t i = 0; i < lists.size(); ++i) {
        Entries expected = lists[i];
        ExchangeSort(expected);
        SortEntries(lists[i]);
        ASSERT_EQ(lists[i], expected) << "list " << i;
    }
}

TEST(SortEntriesTest, LargeRandomListsSortQuickly) {
    std::mt19937 random(7);
    for (const std::int32_t range : {30, 256, 30000, INT32_MAX}) {
        Entries entries = RandomEntries(random, kMaxEntries, 0, range);
        const auto begin = std::chrono::steady_clock::now();
        SortEntries(entries);
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - begin;
        EXPECT_TRUE(std::is_sorted(entries.begin(), entries.end(), [](const auto& a,
            const auto& b) { return a.address < b.address; }));
        // Generous, as this also runs in instrumented builds; the exchange sort takes minutes there.
        EXPECT_LT(elapsed.count(), 2.0) << "range " << range;
    }
}

}  // namespace
}  // namespace quorvex
