// Extract, then Insert: an unchanged script puts back exactly the bytes it was
// made from, in every layout; an edited one makes a ROM that extracts as
// edited. And both at sizes far beyond a cartridge's.
#include "chartable/CharTable.h"
#include "commands/Commands.h"
#include "extract/Extract.h"
#include "insert/CheckInsert.h"
#include "insert/Insert.h"
#include "job/Messages.h"
#include "platform/CodePage.h"
#include "platform/Numbers.h"

#include "ScriptBuilders.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace quorvex {
namespace {

using namespace test;

// Every entry's text is its own and no text is the start of a longer one
// made of others, so text maps back to the very bytes it came from.
const CharTable kTable = [] {
    std::u16string text = u"20= \r\nFF=[END]\r\nE0E1=Potion\r\n";
    for (char16_t c = u'A'; c <= u'Z'; ++c) text += FormatHex2(c) + u"=" + c + u"\r\n";
    return CharTable::FromText(text);
}();

// Four strings back to back from 0x100; the second holds a byte without an
// entry (07) and a two-byte entry (E0 E1).
const Bytes kHello = {0x48, 0x45, 0x4C, 0x4C, 0x4F, 0xFF};  // HELLO[END]
const Bytes kPotion = {0x41, 0x20, 0xE0, 0xE1, 0x07, 0xFF};  // A Potion<07>[END]
const Bytes kWorld = {0x57, 0x4F, 0x52, 0x4C, 0x44, 0xFF};   // WORLD[END]
const Bytes kB = {0x42, 0xFF};                               // B[END]
constexpr std::int32_t kHelloAt = 0x100, kPotionAt = 0x106, kWorldAt = 0x10C, kBAt = 0x112, kTextEnd = 0x113;
constexpr std::int32_t kXOffset = -0x7F00;  // pointer value = ROM offset + 0x7F00
// Pointer tables in table order: Potion, Hello, World, Potion again, B.
const std::int32_t kPointerOrder[] = {kPotionAt, kHelloAt, kWorldAt, kPotionAt, kBAt};

RomBuilder WithStrings(std::uint8_t fill) {
    RomBuilder rom(0x200, fill);
    rom.Put(kHelloAt, kHello).Put(kPotionAt, kPotion).Put(kWorldAt, kWorld).Put(kBAt, kB);
    return rom;
}

Bytes Le(std::uint32_t value, int width, bool bigEndian = false) {
    Bytes bytes;
    for (int i = 0; i < width; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    return bigEndian ? Bytes(bytes.rbegin(), bytes.rend()) : bytes;
}
std::uint32_t PointerTo(std::int32_t offset, std::int32_t xOffset = kXOffset) {
    return static_cast<std::uint32_t>(offset - xOffset);
}

// A ROM and the job that extracts it.
struct Case {
    std::string name;
    Bytes rom;
    JobSettings job;
    TableType tableType = TableType::Regular2;
    TextType textType = TextType::Regular;
    const CharTable* table = &kTable;
};

Case FixedStride(TableType type, int width, bool bigEndian) {
    RomBuilder rom = WithStrings(0xCC);
    std::size_t at = 0x10;
    for (const std::int32_t target : kPointerOrder) {
        rom.Put(at, Le(PointerTo(target), width, bigEndian));
        at += static_cast<std::size_t>(width);
    }
    return {std::string(TableTypeName(type)), rom.bytes(),
            Job(0x10, static_cast<std::int32_t>(at) - 1, kHelloAt, kTextEnd, kXOffset), type};
}

Case Variation1() {
    // Five low bytes at 0x10, their five high bytes at 0x15.
    RomBuilder rom = WithStrings(0xCC);
    for (std::size_t j = 0; j < 5; ++j) {
        const std::uint32_t value = PointerTo(kPointerOrder[j]);
        rom.Put(0x10 + j, {static_cast<std::uint8_t>(value)}).Put(0x15 + j, {static_cast<std::uint8_t>(value >> 8)});
    }
    return {"Variation1", rom.bytes(), Job(0x10, 0x19, kHelloAt, kTextEnd, kXOffset), TableType::Variation1};
}

Case PascalLine() {
    return {"PascalLine", WithStrings(0xCC).Put(0x10, {6, 6, 6, 2}).bytes(), Job(0x10, 0x13, kHelloAt, kTextEnd),
            TableType::PascalLine};
}

// The End Dialog Command FF splits the text area; pointers lie in 0x10-0x3F.
Case Scattered(TableType type, int width) {
    RomBuilder rom = WithStrings(0x00);
    const std::int32_t xOffset = -0x8000;
    rom.Put(0x10, Le(PointerTo(kHelloAt, xOffset), width)) .Put(0x20, Le(PointerTo(kPotionAt, xOffset), width))
        .Put(0x30, Le(PointerTo(kPotionAt, xOffset), width))  // listed, never rewritten
        .Put(0x18, Le(PointerTo(kBAt, xOffset), width));       // World has no pointer at all
    return {std::string(TableTypeName(type)), rom.bytes(), Job(0x10, 0x3F, kHelloAt, kTextEnd, xOffset, 0xFF, 1), type};
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
    return {"Custom1", rom.bytes(), Job(0, 0, 0, 0), TableType::Custom1};
}

// Huffman v2: the code table at 0x40 holds 80 + index; index 10 ends a string.
const CharTable kHuffmanTable = [] {
    std::u16string text;
    for (int i = 0; i < 48; ++i) text += FormatHex2(static_cast<std::uint32_t>(0x80 + i)) + u"=" +
                (i == 10 ? std::u16string(u"[END]") : std::u16string(1, i < 26 ? u'a' + i : u'A' + (i - 26))) + u"\r\n";
    return CharTable::FromText(text);
}();

// The codes of the indices written out plainly, each string padded with zero bits to a whole byte.
Bytes HuffmanString(std::initializer_list<int> indices) {
    std::vector<int> bits;
    auto put = [&](int value, int count) {
        for (int bit = count - 1; bit >= 0; --bit) bits.push_back((value >> bit) & 1);
    };
    for (const int index : indices) {
        if (index < 8) put(0, 1), put(index, 3);
        else if (index < 16) put(0b10, 2), put(index - 8, 3);
        else put(0b11, 2), put(index - 16, 5);
    }
    Bytes bytes((bits.size() + 7) / 8, 0);
    for (std::size_t i = 0; i < bits.size(); ++i)
        if (bits[i]) bytes[i / 8] |= static_cast<std::uint8_t>(0x80 >> (i % 8));
    return bytes;
}

Case HuffmanV2() {
    RomBuilder rom(0x200, 0xCC);
    rom.PutRamp(0x40, 48, 0x80);
    std::vector<std::uint8_t> starts;  // the low bytes of the strings' offsets, 0x100 on
    std::size_t text = 0x100;
    for (const Bytes& string : {HuffmanString({1, 2, 3, 10}), HuffmanString({20, 30, 47, 10}), HuffmanString({0, 10}),
                                HuffmanString({5, 15, 25, 35, 45, 10})}) {
        starts.push_back(static_cast<std::uint8_t>(text));
        rom.Put(text, string);
        text += string.size();
    }
    rom.Put(0x10, {starts[2], 1, starts[0], 1, starts[1], 1, starts[0], 1, starts[3], 1});  // the pointers
    const JobSettings job = Job(0x10, 0x19, 0x100, static_cast<std::int32_t>(text) - 1, 0, 0x40);
    return {"HuffmanV2", rom.bytes(), job, TableType::Regular2, TextType::HuffmanV2, &kHuffmanTable};
}

std::u16string ExtractScript(const Case& c) {
    const ExtractResult result = Extract(c.rom, c.job, c.table, c.tableType, c.textType);
    EXPECT_EQ(result.message, messages::kDone);
    return result.script ? FromUtf8(*result.script) : u"";
}

// The edits below rely on what the scripts hold: a miss fails the test.
std::u16string Replace(std::u16string text, std::u16string_view from, std::u16string_view to) {
    const auto at = text.find(from);
    EXPECT_NE(at, std::u16string::npos) << Narrow(from);
    return at == std::u16string::npos ? text : text.replace(at, from.size(), to);
}

std::vector<Case> AllLayouts() {
    return {FixedStride(TableType::Regular2, 2, false), Variation1(), Scattered(TableType::Scattered2, 2), PascalLine(),
            FixedStride(TableType::Regular3, 3, false), FixedStride(TableType::Regular4, 4, false),
            Scattered(TableType::Scattered4, 4), FixedStride(TableType::Variation4, 4, true), Custom1(), HuffmanV2()};
}

TEST(RoundTripTest, AnUnchangedScriptGivesBackTheSameBytesInEveryLayout) {
    for (const Case& c : AllLayouts()) {
        SCOPED_TRACE(c.name);
        const std::u16string script = ExtractScript(c);
        RecordingPrompt prompt;
        const InsertResult inserted = Insert(c.rom, c.table, script, prompt);
        ASSERT_EQ(inserted.outcome, InsertResult::Outcome::Written) << Narrow(inserted.message) << Narrow(script);
        EXPECT_EQ(inserted.image, c.rom) << Narrow(script);
        // Each Scattered job has one string that no pointer points at.
        EXPECT_EQ(inserted.message, IsScattered(c.tableType)
                                        ? messages::EndedLeftOver(0) + u"\r\n" + messages::StringsWithoutPointer(1)
                                        : messages::EndedLeftOver(0));
        EXPECT_TRUE(prompt.questions.empty());
    }
}

// Entries holding the empty value get a line of their own and no text; an
// unchanged script gives back the same bytes, and after an edit moves the
// strings they still hold the value and extract again as they were.
TEST(RoundTripTest, EmptyEntriesStayEmpty) {
    const struct {
        TableType type;
        int width;
        bool bigEndian;
        std::uint32_t empty;
    } cases[] = {{TableType::Regular2, 2, false, 0}, {TableType::Regular2, 2, false, 0xFFFF},
                 {TableType::Regular3, 3, false, 0xFFFFFF}, {TableType::Variation4, 4, true, 0xFFFFFFFF}};
    for (const auto& c : cases) {
        // The second and the last of seven entries are empty.
        RomBuilder rom = WithStrings(0xCC);
        std::size_t at = 0x10;
        for (const std::int32_t target : {kPotionAt, -1, kHelloAt, kWorldAt, kPotionAt, kBAt, -1}) {
            rom.Put(at, Le(target < 0 ? c.empty : PointerTo(target), c.width, c.bigEndian));
            at += static_cast<std::size_t>(c.width);
        }
        Case job{std::string(TableTypeName(c.type)), rom.bytes(),
                 Job(0x10, static_cast<std::int32_t>(at) - 1, kHelloAt, kTextEnd, kXOffset), c.type};
        job.job.nullPointer = c.empty;
        SCOPED_TRACE(job.name + " " + std::to_string(c.empty));
        const std::u16string script = ExtractScript(job);
        const std::u16string lines = u"NullPointer:\t" + FormatHex(static_cast<std::int32_t>(c.empty)) +
                                     u"\r\n-----------------\r\n" + FormatHex(0x10 + c.width) + u" n\r\n" +
                                     FormatHex(static_cast<std::int32_t>(at) - c.width) + u" n\r\n";
        EXPECT_NE(script.find(lines), std::u16string::npos) << Narrow(script);
        RecordingPrompt prompt;
        EXPECT_EQ(Insert(job.rom, job.table, script, prompt).image, job.rom);
        const std::u16string edited =
            Replace(Replace(script, u"HELLO[END]", u"HI[END]"), u"WORLD[END]", u"WORLDXYZ[END]");
        job.rom = Insert(job.rom, job.table, edited, prompt).image;
        EXPECT_EQ(Narrow(ExtractScript(job)), Narrow(edited));
    }
}

// One string three bytes shorter, a later one three bytes longer: the strings
// between them move, every pointer or length follows, and the ROM Insert makes
// extracts as the edited script. (Scattered scripts list where pointer values
// lie, which the edit changes; Huffman text has no letters to edit.)
TEST(RoundTripTest, AnEditedScriptExtractsAgainAsEdited) {
    for (Case c : AllLayouts()) {
        if (IsScattered(c.tableType) || c.textType != TextType::Regular) continue;
        SCOPED_TRACE(c.name);
        const std::u16string edited =
            Replace(Replace(ExtractScript(c), u"HELLO[END]", u"HI[END]"), u"WORLD[END]", u"WORLDXYZ[END]");
        RecordingPrompt prompt;
        const InsertResult inserted = Insert(c.rom, c.table, edited, prompt);
        ASSERT_EQ(inserted.outcome, InsertResult::Outcome::Written) << Narrow(inserted.message);
        EXPECT_NE(inserted.image, c.rom);
        c.rom = inserted.image;
        EXPECT_EQ(Narrow(ExtractScript(c)), Narrow(edited));
    }
}

// A control code's parameter bytes come out as escapes, even a letter's, and
// go back as they were; a parameter cut off by the string's end is not sought past it.
TEST(RoundTripTest, ParametersOfALinkedEntryAreEscapes) {
    const CharTable table = CharTable::FromText(u"41=A\r\n42=B\r\n/FF\r\n$F0=[Name],1\r\n$F1=[Wait],2\r\n");
    const Bytes first = {0xF0, 0x41, 0x42, 0xF1, 0x42, 0xFF, 0x41, 0xFF}, second = {0xF1, 0x41};
    Case c{"linked", RomBuilder(0x200, 0xCC).Put(0x10, {0x00, 0x01, 0x08, 0x01}).Put(0x100, first).Put(0x108, second).bytes(),
           Job(0x10, 0x13, 0x100, 0x109, 0), TableType::Regular2, TextType::Regular, &table};
    const std::u16string script = ExtractScript(c);
    EXPECT_EQ(Narrow(Body(script)), "10\r\n[Name]<41>B[Wait]<42><FF>A[END]\r\n12\r\n[Wait]<41>\r\n");
    RecordingPrompt prompt;
    EXPECT_EQ(Insert(c.rom, &table, script, prompt).image, c.rom);
}

constexpr std::size_t kMiB = 1024 * 1024;
constexpr std::int32_t kBigTextStart = 64 * kMiB - 0x100;

// Huge inputs, each in a child process so that its time and peak memory are its own. The
// bounds are generous: the suite runs under AddressSanitizer on a shared machine.
double Measure(const char* what, const std::function<bool()>& body, double maxSeconds = 60) {
    const ChildRun run = RunInChild(body);
    std::printf("limit: %-50s %7.2f s %6ld MiB peak\n", what, run.seconds, run.peakMiB);
    EXPECT_TRUE(run.passed) << what;
    EXPECT_LT(run.seconds, maxSeconds) << what;
    EXPECT_LT(run.peakMiB, 3072) << what;
    return run.seconds;
}

TEST(LimitsTest, A64MiBRomAndAScriptOfManyMiBExtractAndInsert) {
    // Three pointers at 0x10 lead to strings of 16 bytes near the end.
    RomBuilder big(64 * kMiB, 0x41);
    big.Put(0x10, {0x00, 0x00, 0x10, 0x00, 0x20, 0x00});
    for (std::size_t i = 0; i < 0x100; ++i) big.Put(kBigTextStart + i, {static_cast<std::uint8_t>(i % 16 == 15 ? 0xFF : 0x42)});
    const Bytes& rom = big.bytes();
    const JobSettings job = Job(0x10, 0x15, kBigTextStart, kBigTextStart + 0xFF);
    Measure("Extract, 64 MiB ROM, Regular2", [&] {
        const auto script = Extract(rom, job, &kTable, TableType::Regular2, TextType::Regular).script;
        return script && script->find("BBBBBBBBBBBBBBB[END]") != std::string::npos;
    });
    // The whole ROM as one Scattered text area: every offset is scanned for the
    // command and searched for pointers. The command search once stepped through
    // every offset one at a time (over 10 s under AddressSanitizer).
    const double scattered = Measure("Extract, 64 MiB ROM, Scattered2 over all of it", [&] {
        const auto script = Extract(rom, Job(0, 0, 0, 64 * kMiB - 1, 0, 0xFF, 1), &kTable, TableType::Scattered2, {}).script;
        return script && SplitLines(Body(FromUtf8(*script))).size() == 2 * 16;
    });
    EXPECT_LT(scattered, 5.0);
    // Every bit a character of a 1,000-character entry: the script's limit must
    // stop the decoding long before memory runs out, value by value.
    RomBuilder wordyRom(4 * kMiB, 0x55);
    wordyRom.Put(0x2A, {0x80}).Put(0x55, {0x81}).Put(0x80, {0x41, 0x42}).Put(0x10, {0x00, 0x01});
    const CharTable wordy =
        CharTable::FromText(u"41=" + std::u16string(1000, u'a') + u"\r\n42=" + std::u16string(1000, u'b') + u"\r\n");
    Measure("Extract, Huffman v1 string of long entries past the script limit", [&] {
        return Extract(wordyRom.bytes(), Job(0x10, 0x11, 0x100, 0, 0, 0), &wordy, TableType::Regular2, TextType::HuffmanV1)
                   .message == messages::kScriptTooLarge;
    });
    // Insert into it a script of 50 MiB of text lines (4 MiB under AddressSanitizer, as `make test` runs,
    // unless QUORVEX_FULL_LIMITS=1).
    std::size_t size = 50 * kMiB;
#if defined(__SANITIZE_ADDRESS__)
    if (const char* full = std::getenv("QUORVEX_FULL_LIMITS"); full == nullptr || std::string(full) != "1") size = 4 * kMiB;
#endif
    std::string text = Narrow(WriteScriptHeader(Job(0, 0, 0x100, 64 * kMiB - 1), TableType::Regular2, {}));
    for (std::size_t i = 0; text.size() < size; ++i)
        text += i % 7 ? "CCCBBBAAA CCCBBBAAA CCCBBBAAA C[END]\r\n" : "AB CAB CAB CAB CAB CAB CAB CAB[END]\r\n";
    TempDir dir;
    WriteText(dir / "huge.txt", text);
    Measure("Load + Check Insert + Insert, script of many MiB", [&] {
        const auto script = commands::LoadScript(dir / "huge.txt", {ReadMode::UTF8, "windows-1252"}).text.value();
        RecordingPrompt prompt;
        const Bytes image = Insert(rom, &kTable, script, prompt).image;
        return CheckInsert(&kTable, script).verdict == CheckReport::Verdict::Under && image.size() == rom.size() &&
               Bytes(image.begin() + 0x100, image.begin() + 0x106) == Bytes{0x41, 0x42, 0x20, 0x43, 0x41, 0x42};
    });
}

}  // namespace
}  // namespace quorvex
