#pragma once
#include "extract/BitIO.h"

#include <cstdint>
#include <optional>
#include <span>

namespace quorvex {

// Huffman v2 can code 48 indices. The index of value is the position, from
// huffTable on, of its first occurrence in the ROM; no value when it does not
// occur among the first 48 bytes (or the table lies outside the ROM).
inline constexpr int kHuffmanIndexCount = 48;
[[nodiscard]] std::optional<int> FindHuffmanIndex(std::span<const std::uint8_t> rom, std::int32_t huffTable,
                                                  std::uint8_t value);

// Bits of the code of one index (below 48): 4, 5 or 7.
[[nodiscard]] int HuffmanCodeLength(int index);

// Emits the code of one index (below 48).
void EmitHuffmanIndex(BitWriter& writer, int index);

}  // namespace quorvex
