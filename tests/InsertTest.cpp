// Insert: the bytes it writes into a ROM file, and that a stopped insert
// leaves the file exactly as it was.
#include "chartable/CharTable.h"
#include "insert/InsertFile.h"
#include "job/CTextEngine.h"
#include "job/Messages.h"
#include "job/Script.h"
#include "platform/CodePage.h"
#include "platform/FileError.h"

#include "ScriptBuilders.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <filesystem>

namespace quorvex {
namespace {

namespace fs = std::filesystem;
using namespace test;
using Bytes = std::vector<std::uint8_t>;
using Changes = std::vector<std::pair<std::size_t, Bytes>>;
using Texts = std::vector<std::u16string>;

class InsertTest : public ::testing::Test {
protected:
    // A ROM whose modification time lies in the past, so that any rewrite shows.
    void PutRom(const Bytes& bytes) {
        WriteBytes(romPath, bytes);
        fs::last_write_time(romPath, kOldTime);
        original = bytes;
        prompt = RecordingPrompt{};
    }

    bool Run(std::u16string_view script, const CharTable* table) {
        CTextEngine engine;
        engine.settings.longestTextLength = table ? table->longestTextLength() : 0;
        return engine.Insert(romPath, table, script, prompt);
    }

    [[nodiscard]] Bytes Rom() const { return ReadBytes(romPath); }

    void ExpectRomUnchanged() const {
        EXPECT_EQ(Rom(), original);
        EXPECT_EQ(fs::last_write_time(romPath), kOldTime);
    }

    // The original image with runs of bytes replaced.
    [[nodiscard]] Bytes With(const Changes& changes) const {
        RomBuilder builder(0);
        builder.Put(0, original);
        for (const auto& [offset, bytes] : changes) builder.Put(offset, bytes);
        return builder.bytes();
    }

    static inline const fs::file_time_type kOldTime = fs::file_time_type::clock::now() - std::chrono::hours(48);

    TempDir dir;
    fs::path romPath = dir / "game.rom";
    RecordingPrompt prompt;
    Bytes original;
};

const CharTable kAB = CharTable::FromText(u"41=A\r\n42=B\r\n43=C\r\n");
const CharTable kLongest = CharTable::FromText(u"41=A\r\n42=B\r\n9999=AB\r\n50=C\r\n51=C\r\n");
const CharTable kEscapes = CharTable::FromText(u"41=A\r\n77=<FF>\r\n3C=<\r\n3E=>\r\n58=X\r\n42=B\r\n");
const CharTable kDigits = CharTable::FromText(u"41=A\r\n30=0\r\n31=1\r\n78=x\r\n");

// The Huffman v2 code table at 0x40: 10 20 ... F0, then 01 ... 21.
Bytes HuffmanRom() {
    RomBuilder rom(0x200, 0xEE);
    for (int i = 0; i < 48; ++i)
        rom.Put(0x40 + static_cast<std::size_t>(i), {static_cast<std::uint8_t>(i < 15 ? (i + 1) * 0x10 : i - 14)});
    return rom.bytes();
}
// b is index 1 (0 001), "." index 10 (1 0 010), z index 20 (1 1 00100);
// 2122 is a two-byte entry whose first byte 21 is index 47; E1 is no index.
const CharTable kHuffmanTable = CharTable::FromText(u"20=b\r\nB0=.\r\n06=z\r\n2122=w\r\nE1=?\r\n");

const Bytes kBlank = Bytes(0x40, 0xEE);

TEST_F(InsertTest, WritesWhatEachScriptSays) {
    struct Case {
        const char* name;
        Bytes rom;
        JobSettings job;
        TableType type;
        std::u16string body;
        const CharTable* table;
        Changes changes;
        std::u16string message;  // the final message, when the case is about it
        TextType textType = TextType::Regular;
    };
    const auto R2 = TableType::Regular2;
    const Case cases[] = {
        {"whole run: each pointer rewritten, strings in order", RomBuilder(0x900, 0xEE).bytes(),
         Job(0x10, 0x13, 0x810, 0x81F, 0x7F0), R2, Lines({u"10", u"AB", u"12", u"A"}), &kAB,
         {{0x10, {0x20, 0x00}}, {0x12, {0x22, 0x00}}, {0x810, {0x41, 0x42}}, {0x812, {0x41}}},
         messages::EndedLeftOver(13)},
        // "AB" is an entry of its own; "C" stands twice and the first line wins.
        {"longest whole entry, first of equal texts", Bytes(0x40, 0), Job(0, 0, 0x20, 0x2F), R2, Lines({u"ABAC"}),
         &kLongest, {{0x20, {0x99, 0x99, 0x41, 0x50}}}, {}},
        {"letters one by one", Bytes(0x40, 0), Job(0, 0, 0x20, 0x2F), R2, Lines({u"ABAC"}), &kAB,
         {{0x20, {0x41, 0x42, 0x41, 0x43}}}, {}},
        // <FF> is the raw byte though an entry has that text; <GH> has no digits
        // (0); <4a> is lower case; <7>> has one digit; <ABX> is no escape.
        {"escapes win and read up to two digits", kBlank, Job(0, 0, 0x10, 0x3F), R2,
         Lines({u"<FF><GH><4a><7>>A<ABX>"}), &kEscapes,
         {{0x10, {0xFF, 0x00, 0x4A, 0x07, 0x41, 0x3C, 0x41, 0x42, 0x58, 0x3E}}}, {}},
        {"without a table every line is escapes", kBlank, Job(0, 0, 0x10, 0x3F), R2, Lines({u"<41><42>", u"<0a>"}),
         nullptr, {{0x10, {0x41, 0x42, 0x0A}}}, {}},
        // Table End 0: no pointer lines, so "10" is a text line too.
        {"no table: strings back to back", kBlank, Job(0x10, 0, 0x20, 0x2F), R2, Lines({u"10", u"A", u"", u"A"}),
         &kDigits, {{0x20, {0x31, 0x30, 0x41, 0x41}}}, messages::EndedLeftOver(12)},
        {"listing lines are plain text", kBlank, Job(0, 0, 0x10, 0x3F), R2, Lines({u"0x100"}), &kDigits,
         {{0x10, {0x30, 0x78, 0x31, 0x30, 0x30}}}, {}},
        {"text ending exactly at Text End", Bytes(0x40, 0), Job(0, 0, 0x10, 0x12), R2, Lines({u"ABC"}), &kAB,
         {{0x10, {0x41, 0x42, 0x43}}}, messages::EndedLeftOver(0)},
        // Table 0x100 to 0x10F: half is 7.5 rounded up, 8.
        {"Variation1 high bytes half a table further", Bytes(0x400, 0xEE), Job(0x100, 0x10F, 0x300, 0x3FF, 0x100),
         TableType::Variation1, Lines({u"100", u"AB", u"101", u"C"}), &kAB,
         {{0x100, {0x00, 0x02}}, {0x108, {0x02, 0x02}}, {0x300, {0x41, 0x42, 0x43}}}, {}},
        {"move line, the next strings follow on", Bytes(0xA00, 0xEE), Job(0x10, 0x16, 0x810, 0x9FF, 0x800), R2,
         Lines({u"10", u"A", u"14 m900", u"BC", u"12", u"A"}), &kAB,
         {{0x10, {0x10, 0x00}}, {0x14, {0x00, 0x01}}, {0x12, {0x02, 0x01}}, {0x810, {0x41}},
          {0x900, {0x42, 0x43, 0x41}}},
         messages::EndedLeftOver(0xA00 - 0x903)},
        // 10 names 14, written only later; 12 names 10 (a chain); 16 names 30,
        // which no line writes, so it takes 30's bytes as they are.
        {"repeat takes the new value", RomBuilder(0x100, 0xEE).Put(0x30, {0x77, 0x66}).bytes(),
         Job(0x10, 0x18, 0x80, 0xFF), R2, Lines({u"10 r14", u"12 R10", u"16 r30", u"14", u"AB"}), &kAB,
         {{0x10, {0x80, 0x00, 0x80, 0x00, 0x80, 0x00, 0x77, 0x66}}, {0x80, {0x41, 0x42}}}, {}},
        {"repeats naming each other keep their bytes", RomBuilder(0x100, 0xEE).Put(0x10, {1, 2, 3, 4}).bytes(),
         Job(0x10, 0x18, 0x80, 0xFF), R2, Lines({u"10 r12", u"12 r10", u"16", u"A"}), &kAB,
         {{0x16, {0x80, 0x00}}, {0x80, {0x41}}}, {}},
        // Table 0x100 to 0x107: half 4. Entry 0x101 repeats 0x102, written later.
        {"Variation1 repeat copies both halves", Bytes(0x400, 0xEE), Job(0x100, 0x107, 0x300, 0x3FF),
         TableType::Variation1, Lines({u"100", u"A", u"101 r102", u"102", u"B"}), &kAB,
         {{0x100, {0x00, 0x01, 0x01}}, {0x104, {0x03, 0x03, 0x03}}, {0x300, {0x41, 0x42}}}, {}},
        {"Scattered line without offset is written and counted", Bytes(0x200, 0xEE), Job(0x10, 0x40, 0x100, 0x1FF),
         TableType::Scattered2, Lines({u"(100)", u"AB", u"20 (102)", u"C", u"  (103)", u"A"}), &kAB,
         {{0x20, {0x02, 0x01}}, {0x100, {0x41, 0x42, 0x43, 0x41}}},
         messages::EndedLeftOver(0xFC) + u"\r\n" + messages::StringsWithoutPointer(2)},
        {"PascalLine length bytes", Bytes(0x200, 0xEE), Job(0x20, 0x22, 0x100, 0x1FF), TableType::PascalLine,
         Lines({u"AB", u"", u"ABC"}), &kAB, {{0x20, {0x02, 0x00, 0x03}}, {0x100, {0x41, 0x42, 0x41, 0x42, 0x43}}},
         {}},
        // v = 0x100 + 0x7F00 = 0x8000 for the first string.
        {"Custom1 length and pointer", Bytes(0x200, 0xEE), Job(0x20, 0x26, 0x100, 0x1FF, -0x7F00),
         TableType::Custom1, Lines({u"AB", u"C", u""}), &kAB,
         {{0x20, {0x02, 0x00, 0x80, 0x01, 0x02, 0x80, 0x00, 0x03, 0x80}}, {0x100, {0x41, 0x42, 0x43}}}, {}},
        // 0001 10010 1100100 fills two bytes exactly; 0001 10010 needs a second,
        // mostly empty byte; the empty line is one zero byte.
        {"Huffman v2 ends each string on a whole byte", HuffmanRom(), Job(0x10, 0x15, 0x100, 0x1FF, 0, 0x40), R2,
         Lines({u"10", u"b.z", u"12", u"b.", u"14", u"", u"14 r12"}), &kHuffmanTable,
         {{0x10, {0x00, 0x01, 0x02, 0x01, 0x02, 0x01}}, {0x100, {0x19, 0x64, 0x19, 0x00, 0x00}}}, {},
         TextType::HuffmanV2},
        // 11 11111 (index 47), then 10 010 (index 10): 1111 1111 | 0010 0000.
        {"Huffman v2 uses the first byte of a longer entry", HuffmanRom(), Job(0, 0, 0x100, 0x1FF, 0, 0x40), R2,
         Lines({u"w<B0>"}), &kHuffmanTable, {{0x100, {0xFF, 0x20}}}, {}, TextType::HuffmanV2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PutRom(c.rom);

        EXPECT_TRUE(Run(Script(c.job, c.type, c.textType, c.body), c.table));

        EXPECT_EQ(Rom(), With(c.changes));
        EXPECT_TRUE(prompt.questions.empty());
        if (!c.message.empty()) {
            EXPECT_EQ(prompt.messages, Texts{c.message});
        }
    }
}

TEST_F(InsertTest, EachLayoutWritesItsPointerWidthAndByteOrder) {
    // v = 0x100 - xOffset = 0x12340100 makes every byte of the value distinct.
    const std::pair<TableType, Bytes> cases[] = {
        {TableType::Regular2, {0x00, 0x01}},
        {TableType::Regular3, {0x00, 0x01, 0x34}},
        {TableType::Regular4, {0x00, 0x01, 0x34, 0x12}},
        {TableType::Variation4, {0x12, 0x34, 0x01, 0x00}},
        {TableType::Scattered2, {0x00, 0x01}},
        {TableType::Scattered4, {0x00, 0x01, 0x34, 0x12}},
    };
    for (const auto& [type, entry] : cases) {
        SCOPED_TRACE(std::string(TableTypeName(type)));
        PutRom(Bytes(0x200, 0xEE));
        // Scattered lines list more offsets and the value; only the first offset counts.
        const std::u16string pointerLine = IsScattered(type) ? u"10 30 (9ABC)" : u"10";

        EXPECT_TRUE(Run(Script(Job(0x10, 0x40, 0x100, 0x1FF, -0x12340000), type, TextType::Regular,
                               Lines({pointerLine, u"A"})),
                        &kAB));

        EXPECT_EQ(Rom(), With({{0x10, entry}, {0x100, {0x41}}}));
        EXPECT_EQ(prompt.messages, Texts{messages::EndedLeftOver(0xFF)});
    }
}

TEST_F(InsertTest, OverTheLimitAsksAfterEachStringYesGoesOnAndNoChangesNothing) {
    const auto script =
        Script(Job(0, 0, 0x10, 0x11), TableType::Regular2, TextType::Regular, Lines({u"ABC", u"A", u"B"}));
    PutRom(Bytes(0x40, 0));
    prompt.answers = {true, true, true};
    EXPECT_TRUE(Run(script, &kAB));
    EXPECT_EQ(prompt.questions, (Texts{messages::OverLimitQuestion(1), messages::OverLimitQuestion(2),
                                       messages::OverLimitQuestion(3)}));
    EXPECT_EQ(prompt.messages, Texts{messages::EndedOver(3)});
    EXPECT_EQ(Rom(), With({{0x10, {0x41, 0x42, 0x43, 0x41, 0x42}}}));

    PutRom(kBlank);
    prompt.answers = {false};
    EXPECT_FALSE(Run(script, &kAB));
    ExpectRomUnchanged();
    EXPECT_EQ(prompt.questions, Texts{messages::OverLimitQuestion(1)});
    EXPECT_EQ(prompt.messages, Texts{messages::EndedOver(1) + u"\r\n" + std::u16string(messages::kRomNotChanged)});
}

TEST_F(InsertTest, AScriptFileIsReadWithTheTablesLineEndRule) {
    // LF alone ends a line as CR LF does; a UTF-8 byte-order mark is dropped.
    const fs::path scriptPath = dir / "script.txt";
    const std::string header =
        Narrow(WriteScriptHeader(Job(0x10, 0x13, 0x20, 0x2F), TableType::Regular2, TextType::Regular));
    WriteText(scriptPath, "\xEF\xBB\xBF" + header + "10\nAB\n12\r\nC\n");
    const std::u16string script = LoadInsertFile(scriptPath, TextDecoding{ReadMode::UTF8, "windows-1252"});
    EXPECT_EQ(script, FromUtf8(header) + u"10\r\nAB\r\n12\r\nC\r\n");

    PutRom(kBlank);
    EXPECT_TRUE(Run(script, &kAB));
    EXPECT_EQ(Rom(), With({{0x10, {0x20, 0x00, 0x22, 0x00}}, {0x20, {0x41, 0x42, 0x43}}}));

    EXPECT_THROW((void)LoadInsertFile(dir / "missing.txt", TextDecoding{}), FileError);
}

// --- Every stop leaves the ROM as it was, with one message naming the cause. ---

TEST_F(InsertTest, EveryStopLeavesTheRomAsItWas) {
    struct Case {
        Bytes rom;
        JobSettings job;
        TableType type;
        std::u16string body;
        const CharTable* table;
        std::u16string message;
        TextType textType = TextType::Regular;
    };
    const auto R2 = TableType::Regular2;
    const auto pointers = Job(0x10, 0x13, 0x20, 0x3F);
    // E1 is no code byte; 77 occurs, but only at index 53. At 0x1FC the code
    // table is cut short by the end of the file: EE (the filler) is found, 20 not.
    const Bytes huffman = RomBuilder(0).Put(0, HuffmanRom()).Put(0x40 + 53, {0x77}).bytes();
    const CharTable huffmanTable = CharTable::FromText(u"20=b\r\nE1=?\r\n77=s\r\nEE=e\r\n");
    const Bytes short30 = Bytes(0x30, 0xEE);
    // The header takes nine lines, so the body starts on line 10.
    const Case cases[] = {
        {kBlank, pointers, R2, Lines({u"10", u"AB", u"12", u"AxyzB"}), &kAB, messages::NotInTable(u"xyz")},
        {kBlank, Job(0, 0, 0x20, 0x3F), R2, u"Ax", &kAB, messages::NotInTable(u"x")},
        {kBlank, Job(0, 0, 0x10, 0x3F), R2, Lines({u"0x100"}), &kAB, messages::NotInTable(u"0x1")},
        {huffman, Job(0, 0, 0x100, 0x1FF, 0, 0x40), R2, Lines({u"b?bb"}), &huffmanTable, messages::NotInTable(u"?bb"),
         TextType::HuffmanV2},
        {huffman, Job(0, 0, 0x100, 0x1FF, 0, 0x40), R2, Lines({u"bsbb"}), &huffmanTable, messages::NotInTable(u"sbb"),
         TextType::HuffmanV2},
        {huffman, Job(0, 0, 0x100, 0x1FF, 0, 0x1FC), R2, Lines({u"ebbb"}), &huffmanTable,
         messages::NotInTable(u"bbb"), TextType::HuffmanV2},
        {kBlank, pointers, R2, Lines({u"10", u"A", u"", u"B"}), &kAB, messages::BadLine(12, messages::kNeedsOffset, u"")},
        {kBlank, pointers, R2, Lines({u"10", u"A", u"x12", u"B"}), &kAB,
         messages::BadLine(12, messages::kNeedsOffset, u"x12")},
        {kBlank, pointers, R2, Lines({u"10", u"A", u"12 r", u"B"}), &kAB,
         messages::BadLine(12, messages::kNeedsSecondOffset, u"12 r")},
        {kBlank, pointers, R2, Lines({u"10 mZZ", u"A"}), &kAB,
         messages::BadLine(10, messages::kNeedsSecondOffset, u"10 mZZ")},
        {kBlank, pointers, R2, Lines({u"(20)", u"A"}), &kAB, messages::BadLine(10, messages::kNeedsOffset, u"(20)")},
        {kBlank, pointers, R2, Lines({u"10", u"<41>", u"12", u"<42>A"}), nullptr,
         messages::BadLine(13, messages::kNeedsEscapes, u"<42>A")},
        {kBlank, pointers, R2, Lines({u"10", u"<41><4"}), nullptr,
         messages::BadLine(11, messages::kNeedsEscapes, u"<41><4")},
        // Text running off the file, though the text area goes on.
        {short30, Job(0x10, 0x13, 0x2E, 0x40), R2, Lines({u"10", u"ABC"}), &kAB, messages::PastEndOfRom(0x30)},
        {short30, Job(0x10, 0x13, 0x20, 0x40), R2, Lines({u"10 m35", u"A"}), &kAB, messages::PastEndOfRom(0x35)},
        // A pointer whose second byte would be the first past the end.
        {short30, Job(0x10, 0x13, 0x20, 0x2F), R2, Lines({u"2F", u"A"}), &kAB, messages::PastEndOfRom(0x30)},
        {short30, Job(0x10, 0x13, 0x20, 0x2F), TableType::Regular4, Lines({u"FFFFFFFE", u"A"}), &kAB,
         messages::PastEndOfRom(-2)},
        {short30, Job(0x10, 0x13, 0x20, 0x2F), R2, Lines({u"10 r40", u"12", u"A"}), &kAB, messages::PastEndOfRom(0x40)},
        // A Variation1 high byte past the end (half 0x20); a PascalLine length byte.
        {short30, Job(0x10, 0x50, 0x20, 0x2F), TableType::Variation1, Lines({u"11", u"A"}), &kAB,
         messages::PastEndOfRom(0x31)},
        {short30, Job(0x2F, 0x31, 0x20, 0x2F), TableType::PascalLine, Lines({u"A", u"B"}), &kAB,
         messages::PastEndOfRom(0x30)},
        {HuffmanRom(), Job(0, 0, 0x1FF, 0x2FF, 0, 0x40), R2, Lines({u"b.z"}), &kHuffmanTable,
         messages::PastEndOfRom(0x200), TextType::HuffmanV2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.body));
        PutRom(c.rom);

        EXPECT_FALSE(Run(Script(c.job, c.type, c.textType, c.body), c.table));

        ExpectRomUnchanged();
        EXPECT_EQ(prompt.messages, Texts{c.message});
    }
}

TEST_F(InsertTest, ExtremeHeaderNumbersNeverGrowOrHalfWriteTheRom) {
    const JobSettings jobs[] = {
        Job(INT32_MIN + 1, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MIN),
        Job(0, INT32_MAX, INT32_MIN, INT32_MIN, INT32_MAX),
        Job(0x10, 0x20, 0x30, -1, 0, INT32_MAX),
        Job(-1, 0x20, 0x3F, 0x3F, INT32_MIN, INT32_MIN),
    };
    const std::u16string body = Lines({u"10", u"A", u"12 r80000000", u"14 mFFFFFFFF", u"", u"7FFFFFFF", u"B"});
    for (int type = 0; type <= 9; ++type) {
        for (const auto& job : jobs) {
            for (const TextType textType : {TextType::Regular, TextType::HuffmanV2}) {
                SCOPED_TRACE(Narrow(WriteScriptHeader(job, static_cast<TableType>(type), textType)));
                PutRom(kBlank);
                prompt.answers = {true, true, true};
                const auto script = Script(job, static_cast<TableType>(type), textType, body);

                const bool written = Run(script, &kAB);

                EXPECT_EQ(Rom().size(), original.size());
                if (!written) ExpectRomUnchanged();
                EXPECT_EQ(prompt.messages.size(), 1u);
                CTextEngine engine;
                engine.settings.longestTextLength = 1;
                (void)engine.CheckInsert(&kAB, script, &romPath);
            }
        }
    }
}

TEST_F(InsertTest, BadFilesAndAMissingRomNeverGetAsFarAsMakingTheRom) {
    const auto good = Script(Job(0, 0, 0x10, 0x20), TableType::Regular2, TextType::Regular, Lines({u"A"}));
    const std::u16string cases[] = {
        u"Table Start: 0\r\n-----------------\r\nA\r\n",
        good.substr(good.find(u"Table End")),                                                // no Table Start
        u"Table Start:\t0\r\nTable End:\t0\r\nText Start:\t0\r\n-----------------\r\nA\r\n",  // incomplete
        u"Table Start:\t0\r\nTable End:\t0\r\nText Start:\t0\r\nText End:\t0\r\nXOffset:\t0\r\nTable Type:\t0\r\n"
        u"-----------------\r\n",                      // a table type without a text type
        good.substr(0, good.find(u"---")) + u"A\r\n",  // no dash line
    };
    for (const auto& script : cases) {
        SCOPED_TRACE(Narrow(script));
        prompt.messages.clear();
        EXPECT_FALSE(Run(script, &kAB));
        EXPECT_EQ(prompt.messages, Texts{std::u16string(messages::kBadFileInsert)});
    }
    EXPECT_THROW(Run(good, &kAB), FileError);
    EXPECT_FALSE(fs::exists(romPath));
}

TEST_F(InsertTest, AFailedSaveAndAReadOnlyRomAreFileErrorsAndKeepTheBytes) {
    using fs::perms;
    const auto script = Script(Job(0, 0, 0x10, 0x20), TableType::Regular2, TextType::Regular, Lines({u"A"}));
    for (const bool readOnlyRom : {false, true}) {
        SCOPED_TRACE(readOnlyRom ? "read-only ROM" : "no file can be made beside the ROM");
        PutRom(kBlank);
        const perms read = perms::owner_read | perms::group_read | perms::others_read;
        fs::permissions(romPath, readOnlyRom ? read : read | perms::owner_write | perms::group_write | perms::others_write);
        fs::permissions(dir.path(), readOnlyRom ? perms::all
                                                : read | perms::owner_exec | perms::group_exec | perms::others_exec);
        {
            AsUnprivilegedUser guard;
            EXPECT_THROW(Run(script, &kAB), FileError);
        }
        fs::permissions(dir.path(), perms::all);
        ExpectRomUnchanged();
        EXPECT_TRUE(prompt.messages.empty());
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
        fs::permissions(romPath, perms::owner_all);
    }
}

}  // namespace
}  // namespace quorvex
