#pragma once
#include "job/JobSettings.h"
#include "pointers/PointerTable.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace quorvex {

class CharTable;

// The largest script Extract builds, in characters. Huffman strings end only
// at their end code or the end of the file, so a job with wrong numbers could
// otherwise decode the whole ROM once per pointer and exhaust memory.
inline constexpr std::size_t kMaxScriptCharacters = std::size_t{1} << 28;

struct ExtractResult {
    std::optional<std::string> script;  // in UTF-8; no value: the job was refused
    std::u16string message;                // "Done", or why the job was refused
};

// Extracts the script a job describes from a ROM image: reads the pointer
// table, sorts it and adds the X000 Offset (derived from Text Start when 0),
// writes the header and decodes every string. Refuses (with a message) an End
// Dialog Command over 4 bytes, a table of more than 65,535 entries and a
// script that would grow past kMaxScriptCharacters.
[[nodiscard]] ExtractResult Extract(std::span<const std::uint8_t> rom, JobSettings job, const CharTable* table,
                                    TableType tableType, TextType textType);

// The script in UTF-8: the header, then one block per entry: the pointer
// line or repeat line, then the decoded text. No value when the script would
// grow past kMaxScriptCharacters.
[[nodiscard]] std::optional<std::string> DecodeStrings(std::span<const std::uint8_t> rom, const JobSettings& job,
                                                       std::span<const PointerEntry> entries, TableType tableType,
                                                       TextType textType, const CharTable* table,
                                                       std::u16string_view header);

}  // namespace quorvex
