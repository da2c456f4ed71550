#pragma once
#include "job/JobSettings.h"
#include "platform/Prompt.h"
#include "platform/RomFile.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex {

class CharTable;

// One string's place: `address` is where it starts (for PascalLine its
// length); `location` is where its pointer lies (for Custom1 the string's
// length; 0 for the Scattered layouts; -1 when there is no table).
struct PointerEntry {
    std::int32_t address = 0;
    std::int32_t location = 0;
    friend bool operator==(const PointerEntry&, const PointerEntry&) = default;
};

inline constexpr std::size_t kMaxEntries = 65535;
// The largest script Extract builds, in characters. Huffman strings end only
// at their end code or the end of the file, so a job with wrong numbers could
// otherwise decode the whole ROM once per pointer and exhaust memory.
inline constexpr std::size_t kMaxScriptCharacters = std::size_t{1} << 28;

// What Check Insert (and Test) found.
struct CheckReport {
    enum class Verdict { Fits, Under, Over, BadFile, Stopped };
    std::u16string text;  // the report exactly as the output box shows it
    Verdict verdict = Verdict::Stopped;
};

// Bit reader of the Huffman decoders: the current byte, its bits not yet
// taken, and the offset of the next byte to fetch.
struct BitReaderState {
    std::uint32_t current = 0;
    int bitsLeft = 0;
    std::int64_t next = 0;
};

// Bit writer of Huffman v2 encoding: the byte being built, the position of the
// last bit placed (a fresh string starts at 8), and where the byte goes.
struct BitWriterState {
    std::uint32_t byte = 0;
    int position = 8;
    std::int64_t offset = 0;
};

// The working object of one command. Built afresh for every command; every
// message box goes through the Prompt it is given.
class CTextEngine {
public:
    JobSettings settings;

    // Extracts the script the settings describe. Shows "Done" and returns the
    // script; returns no value (after a message) when the job is refused.
    // Throws FileError when the ROM cannot be opened or read.
    [[nodiscard]] std::optional<std::u16string> Extract(const std::filesystem::path& romPath, const CharTable* table,
                                                        TableType tableType, TextType textType, Prompt& prompt);

    // Encodes the script into the ROM, all or nothing: the ROM file is replaced
    // atomically only when the walk ends normally. Returns true when the ROM
    // was written. Throws FileError when it cannot be opened, read or written
    // (the file keeps every byte it had).
    bool Insert(const std::filesystem::path& romPath, const CharTable* table, std::u16string_view script,
                Prompt& prompt);

    // Walks the script like Insert but writes nothing. Huffman v2 text is
    // measured against the ROM at romPath when one is given (opened for reading;
    // FileError when it cannot be read).
    [[nodiscard]] CheckReport CheckInsert(const CharTable* table, std::u16string_view script,
                                          const std::filesystem::path* romPath = nullptr);

    // --- The pieces of Extract, exposed for tests and benchmarks. ---

    // Works on the ROM as loaded into `rom`. Fills `entries` for the layout.
    void ReadPointerTable(TableType tableType);
    // Appends one block per entry to `out`.
    void DecodeStrings(TableType tableType, TextType textType, const CharTable* table);
    // Decoded byte values of one Huffman string.
    // Decoded byte values of one Huffman string; at most maxValues of them.
    [[nodiscard]] std::vector<std::uint16_t> DecodeHuffmanV1(std::int64_t start, std::int64_t end,
                                                             std::size_t maxValues = SIZE_MAX) const;
    [[nodiscard]] std::vector<std::uint16_t> DecodeHuffmanV2(std::int64_t start,
                                                             std::size_t maxValues = SIZE_MAX) const;
    // The next bit, or no value when the stream has run past the end of the ROM.
    [[nodiscard]] std::optional<int> ReadBit(BitReaderState& state) const;
    // Places one bit; completes a byte on the call after its eighth bit, writing
    // it into `image` when write is set, and counting it in bytesFlushed.
    // Returns false (nothing written) when the completed byte would land outside `image`.
    [[nodiscard]] bool WriteBit(BitWriterState& state, int bit, bool write, std::span<std::uint8_t> image);

    void UseRom(RomFile romFile) { rom = std::move(romFile); }
    [[nodiscard]] const std::vector<PointerEntry>& Entries() const noexcept { return entries; }

    bool adjustPointers = true;
    int bytesFlushed = 0;

private:
    void ScatteredHeader(std::size_t entryIndex, int width);
    void AppendDecodedText(const CharTable* table, std::span<const std::uint16_t> bytes);
    // Fills scatteredPointers for every entry in one pass over the search range.
    void FindScatteredPointers(int width);

    RomFile rom{{}};
    std::vector<PointerEntry> entries;
    bool tooManyEntries = false;
    bool scriptTooLarge = false;
    std::int32_t pascalOffset = 0;
    std::u16string out;
    std::u16string line;
    // Per entry: the first offsets (at most five) holding its Scattered pointer value.
    std::vector<std::vector<std::int64_t>> scatteredPointers;
};

// The exchange sort of the pointer list: for i < j, entries are swapped when
// j's address is below i's (signed). Same order as that procedure, faster.
void SortEntries(std::span<PointerEntry> entries);

// Single-precision rounding with halves upward: t = trunc(x); x - t < 0.5 ? t : trunc(x + 1).
[[nodiscard]] std::int32_t RoundHalfUp(float x);

}  // namespace quorvex
