// One test per fault the fuzz targets found (tests/fuzz). Each input also
// stays in the target's corpus, so `make test` replays it there too.
#include "TestSupport.h"

#include "chartable/CharTable.h"
#include "job/CTextEngine.h"
#include "job/Messages.h"
#include "job/Script.h"

#include <gtest/gtest.h>

#include <chrono>
#include <limits>

using namespace quorvex;
using namespace quorvex::test;

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Scattered layouts with a Text Start far below the file: the scan used to
// walk every one of the two billion offsets before the file, one at a time.
TEST(FuzzFindings, ScatteredTextStartFarBelowZeroEndsAtOnce) {
    TempDir dir;
    WriteBytes(dir / "game.rom", RomBuilder(0x50).Put(0x10, {0x41, 0xFF, 0x42, 0xFF, 0x43}).bytes());
    for (const TableType type : {TableType::Scattered2, TableType::Scattered4}) {
        for (const std::int32_t commandLength : {0, 1}) {
            CTextEngine engine;
            engine.settings.textStart = std::numeric_limits<std::int32_t>::min() + 0x1000;
            engine.settings.textEnd = 0x310;
            engine.settings.huffTable = 0xFF;
            engine.settings.commandLength = commandLength;
            RecordingPrompt prompt;
            const auto started = Clock::now();
            const auto script = engine.Extract(dir / "game.rom", nullptr, type, TextType::Regular, prompt);
            EXPECT_LT(SecondsSince(started), 2.0);
            ASSERT_TRUE(script.has_value());
            ASSERT_FALSE(engine.Entries().empty());
            // The first string starts where the user said; the bytes before
            // the file hold no command, so it runs into the file.
            EXPECT_EQ(engine.Entries().front().address, engine.settings.textStart);
            if (commandLength == 0) {
                EXPECT_EQ(engine.Entries().size(), 1u);
            } else {
                // Cut after each FF inside the file: 41 FF | 42 FF | 43 ...
                ASSERT_EQ(engine.Entries().size(), 3u);
                EXPECT_EQ(engine.Entries()[1].address, 0x12);
                EXPECT_EQ(engine.Entries()[2].address, 0x14);
            }
        }
    }
}

// Huffman strings end only at their end code or the end of the file: with
// Text End 0 every pointer decoded the rest of the ROM, and a few pointers on a
// large ROM grew the script until memory ran out. The job is refused instead.
TEST(FuzzFindings, HuffmanStringsThatNeverEndAreRefusedBeforeMemoryRunsOut) {
    TempDir dir;
    // A tree whose root has two leaves: every bit of the ROM is one character.
    RomBuilder rom(0x10000, 0x55);
    // Huffman v2 reads 0 101 (index 5) over and over: its table at 0x80 maps that to 41.
    rom.Put(0x2A, {0x80}).Put(0x55, {0x81}).Put(0x80, {0x41, 0x42}).Put(0x85, {0x41});
    std::vector<std::uint8_t> pointers;
    for (std::uint8_t i = 0; i < 8; ++i) pointers.insert(pointers.end(), {i, 0x01});
    rom.Put(0x10, pointers);
    WriteBytes(dir / "game.rom", rom.bytes());
    // Long entry texts make each decoded value a long piece of script.
    const CharTable table = CharTable::FromText(u"41=" + std::u16string(600, u'a') + u"\r\n42=" +
                                                std::u16string(600, u'b') + u"\r\n");
    for (const TextType type : {TextType::HuffmanV1, TextType::HuffmanV2}) {
        CTextEngine engine;
        engine.settings.tableStart = 0x10;
        engine.settings.tableEnd = 0x20;
        engine.settings.xOffset = 0;
        engine.settings.textStart = 0x100;
        engine.settings.textEnd = 0;
        engine.settings.huffTable = type == TextType::HuffmanV1 ? 0 : 0x80;
        RecordingPrompt prompt;
        const auto script = engine.Extract(dir / "game.rom", &table, TableType::Regular2, type, prompt);
        EXPECT_FALSE(script.has_value());
        EXPECT_EQ(prompt.messages, std::vector<std::u16string>{std::u16string(messages::kScriptTooLarge)});
    }
}

}  // namespace
