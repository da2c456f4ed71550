#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace quorvex {

// The byte values of one Huffman v1 string: the tree lies at huffTable, the
// bits from start to end (inclusive; with bounded false, up to the end of the
// image). At most maxValues values; an unfinished character is dropped.
[[nodiscard]] std::vector<std::uint16_t> DecodeHuffmanV1(std::span<const std::uint8_t> rom, std::int32_t huffTable,
                                                         std::int64_t start, std::int64_t end, bool bounded,
                                                         std::size_t maxValues = SIZE_MAX);

// The byte values of one Huffman v2 string from start up to its end code
// (index 10) or the end of the image; the 48 values lie at huffTable.
[[nodiscard]] std::vector<std::uint16_t> DecodeHuffmanV2(std::span<const std::uint8_t> rom, std::int32_t huffTable,
                                                         std::int64_t start, std::size_t maxValues = SIZE_MAX);

}  // namespace quorvex
