#include "insert/HuffmanCodes.h"

namespace quorvex {
namespace {

void EmitBits(BitWriter& writer, int value, int bitCount) {
    for (int bit = bitCount - 1; bit >= 0; --bit) writer.WriteBit((value >> bit) & 1);
}

}  // namespace

std::optional<int> FindHuffmanIndex(std::span<const std::uint8_t> rom, std::int32_t huffTable, std::uint8_t value) {
    for (int index = 0; index < kHuffmanIndexCount; ++index) {
        const std::int64_t at = static_cast<std::int64_t>(huffTable) + index;
        if (at < 0 || at >= static_cast<std::int64_t>(rom.size())) return std::nullopt;
        if (rom[static_cast<std::size_t>(at)] == value) return index;
    }
    return std::nullopt;
}

int HuffmanCodeLength(int index) {
    return index < 8 ? 4 : (index < 16 ? 5 : 7);
}

void EmitHuffmanIndex(BitWriter& writer, int index) {
    if (index < 8) {
        EmitBits(writer, 0, 1);
        EmitBits(writer, index, 3);
    } else if (index < 16) {
        EmitBits(writer, 0b10, 2);
        EmitBits(writer, index - 8, 3);
    } else {
        EmitBits(writer, 0b11, 2);
        EmitBits(writer, index - 16, 5);
    }
}

}  // namespace quorvex
