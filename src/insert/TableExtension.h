#pragma once
// Suggested entries written into the table: as text, and into the table file
// in the file's own encoding and line ends.
#include "insert/Suggest.h"
#include "platform/CodePage.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex {

// The entry as a table line: "E0=th".
[[nodiscard]] std::u16string TableLine(const SuggestedEntry& entry);

// The table's text with the entries' lines appended, each ended by CR LF (and
// a line end first when the text does not end with one).
// CharTable::FromText of it is the extended table the savings were measured with.
[[nodiscard]] std::u16string ExtendTableText(std::u16string_view tableText, std::span<const SuggestedEntry> entries);

// The table file with the entries' lines appended in its own encoding (its
// UTF-16 byte order, or the read mode) and with its own line ends (LF when its
// first line ends in a bare LF, else CR LF). No value when the result would
// not read back as ExtendTableText of what the file reads as: a character the
// encoding cannot hold, or a zero byte that ends the file's text early.
// Throws std::invalid_argument for an unknown code page, as DecodeBytes does.
[[nodiscard]] std::optional<std::vector<std::uint8_t>> ExtendTableFile(std::span<const std::uint8_t> fileBytes,
                                                                       const TextDecoding& decoding,
                                                                       std::span<const SuggestedEntry> entries);

}  // namespace quorvex
