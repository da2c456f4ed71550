#pragma once
#include "platform/CodePage.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvex {

// How a cartridge shows its ROM to the processor, and so how a pointer value
// becomes a file offset. None adds the X000 Offset, as a single bank does.
enum class AddressMapKind : std::int32_t { None, LoRom, HiRom, ExHiRom, GameBoy, Nes };

// The numbers of one job. All positions are ROM file offsets, compared signed.
struct JobSettings {
    std::int32_t tableStart = 0;
    std::int32_t tableEnd = 0;
    std::int32_t textStart = 0;
    std::int32_t textEnd = 0;
    std::int32_t xOffset = 0;
    std::int32_t huffTable = 0;          // Huffman data offset, or the End Dialog Command value
    std::int32_t commandLength = 0;      // bytes of the End Dialog Command
    // The raw value (before the X000 Offset) of a pointer entry that points at
    // no text; no value: every entry points at a string.
    std::optional<std::uint32_t> nullPointer;
    AddressMapKind map = AddressMapKind::None;  // with a map, xOffset is not used
};

// The texts of the six number fields, as typed (letters as capitals).
struct JobFieldTexts {
    std::u16string tableStart;
    std::u16string tableEnd;
    std::u16string textStart;
    std::u16string textEnd;
    std::u16string xOffset;
    std::u16string huffTable;  // "HuffTable:" or "ED Cmnd:"
    std::u16string nullPointer{};  // "Empty Entry:"; blank: none
};

// Reads the fields with "%X" (hex) or "%i" into a fresh JobSettings; a field
// without a number leaves its value 0 (nullPointer: none). commandLength = (characters of the
// HuffTable field + 1) / 2.
[[nodiscard]] JobSettings ReadJobFields(const JobFieldTexts& fields, bool hex);

// Pointer table layout: the position of its name in the table-type list.
// Values outside 0-8 may travel in a script; they add no entries.
enum class TableType : std::int32_t {
    Regular2 = 0,
    Variation1 = 1,
    Scattered2 = 2,
    PascalLine = 3,
    Regular3 = 4,
    Regular4 = 5,
    Scattered4 = 6,
    Variation4 = 7,
    Custom1 = 8,
};

// Text encoding; any other value decodes as Regular.
enum class TextType : std::int32_t {
    Regular = 0,
    HuffmanV1 = 1,
    HuffmanV2 = 2,
};

inline constexpr int kTableTypeCount = 9;
inline constexpr int kTextTypeCount = 3;

[[nodiscard]] constexpr bool IsScattered(TableType type) {
    return type == TableType::Scattered2 || type == TableType::Scattered4;
}
[[nodiscard]] constexpr bool IsHuffman(TextType type) {
    return type == TextType::HuffmanV1 || type == TextType::HuffmanV2;
}
// A pointer table is present when tableStart >= 0 and tableEnd > 0.
[[nodiscard]] constexpr bool TablePresent(const JobSettings& job) {
    return job.tableStart >= 0 && job.tableEnd > 0;
}

// The enumerator name ("Regular2" ... "Custom1").
[[nodiscard]] std::string_view TableTypeName(TableType type);
// A number (0-8 / 0-2) or an enumerator name, case-insensitive; no value otherwise.
[[nodiscard]] std::optional<TableType> ParseTableType(std::string_view text);
[[nodiscard]] std::optional<TextType> ParseTextType(std::string_view text);
// "ascii", "utf7" or "utf8", case-insensitive; no value otherwise.
[[nodiscard]] std::optional<ReadMode> ReadModeFromName(std::string_view text);

// "lorom", "hirom", "exhirom", "gb", "nes"; "none" for None.
[[nodiscard]] std::string_view MapName(AddressMapKind map);
// One of those names, case-insensitive ("none" included); no value otherwise.
[[nodiscard]] std::optional<AddressMapKind> ParseMapName(std::string_view text);

}  // namespace quorvex
