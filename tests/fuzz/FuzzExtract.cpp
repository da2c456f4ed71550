// Extract on a small random ROM with random job numbers, any layout and any
// text type, with or without a character table. The script it returns must
// record the job it used and must be readable as a script again.
//
// Input: a flag byte (read mode, prompt answers), the table type (mod 10)
// and text type (mod 4) bytes, six little-endian 32-bit numbers (Table Start,
// Table End, Text Start, Text End, X000 Offset, HuffTable), the command
// length (mod 10), the table file up to a zero byte (none when empty), then
// the ROM.
#include "FuzzSupport.h"

#include "chartable/CharTable.h"
#include "commands/Commands.h"
#include "job/Script.h"

#include <optional>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quorvex;
    fuzz::InputReader input(data, size);
    const std::uint8_t flags = input.Byte();
    // 0-8 are the layouts; 9 stands for a number outside them.
    const std::uint8_t tableByte = input.Byte() % 10;
    const auto tableType = static_cast<TableType>(tableByte == 9 ? 12 : tableByte);
    const std::uint8_t textByte = input.Byte() % 4;
    const auto textType = static_cast<TextType>(textByte == 3 ? 7 : textByte);

    JobSettings job = input.Job();
    job.commandLength = input.Byte() % 10;

    const auto tableBytes = input.Part();
    std::optional<CharTable> table;
    if (!tableBytes.empty()) table = CharTable::FromText(DecodeTextFile(tableBytes, fuzz::DecodingFromFlags(flags)));
    const auto romBytes = input.Rest();

    fuzz::EmptyScratchFolder();
    const std::filesystem::path romPath = fuzz::ScratchFolder() / "game.rom";
    fuzz::WriteFileOrFail(romPath, romBytes);

    const CommandResult result =
        commands::Extract({romPath, {{}, table ? &*table : nullptr}, {}, job, tableType, textType, {}});
    const std::optional<std::u16string>& script = result.output;
    // Extract only reads: the ROM is as it was and nothing else appeared.
    QUORVEX_FUZZ_CHECK(fuzz::ScratchFiles().size() == 1);
    const auto after = fuzz::ReadFileOrFail(romPath);
    QUORVEX_FUZZ_CHECK(after.size() == romBytes.size() && std::equal(after.begin(), after.end(), romBytes.begin()));
    // Every outcome is told: "Done" or the reason it was refused, after the
    // warning that Huffman text is not read through Scattered pointers.
    const std::size_t warnings = IsScattered(tableType) && IsHuffman(textType) ? 1 : 0;
    QUORVEX_FUZZ_CHECK(result.messages.size() == warnings + 1);
    QUORVEX_FUZZ_CHECK(result.ok() == script.has_value());
    if (!script) return 0;

    const auto header = ReadScriptHeader(*script);
    QUORVEX_FUZZ_CHECK(header.has_value());
    QUORVEX_FUZZ_CHECK(FindScriptBody(*script).has_value());
    QUORVEX_FUZZ_CHECK(header->tableType == tableType && header->textType == textType);
    // The job the header records is the job extracted: extracting it again gives the same script.
    JobSettings recorded = header->job;
    recorded.commandLength = job.commandLength;
    const CommandResult again =
        commands::Extract({romPath, {{}, table ? &*table : nullptr}, {}, recorded, tableType, textType, {}});
    QUORVEX_FUZZ_CHECK(again.output == script);

    // The fresh script measured again: it must not trip the reader.
    (void)commands::CheckInsert({romPath, {{}, table ? &*table : nullptr}, {{}, &*script}});
    return 0;
}
