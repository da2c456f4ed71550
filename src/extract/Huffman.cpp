#include "extract/Huffman.h"

#include "extract/BitIO.h"
#include "platform/ByteOrder.h"

namespace quorvex {

namespace {

// Where the tree's columns and leaf values lie relative to the Huffman offset.
constexpr std::int64_t kV1LeftChildren = 0x2A;
constexpr std::int64_t kV1RightChildren = 0x55;
constexpr std::uint32_t kV1FirstLeaf = 0x80;

constexpr int kV2EndIndex = 10;

}  // namespace

std::vector<std::uint16_t> DecodeHuffmanV1(std::span<const std::uint8_t> rom, std::int32_t huffTable,
                                           std::int64_t start, std::int64_t end, bool bounded,
                                           std::size_t maxValues) {
    std::vector<std::uint16_t> decoded;
    const std::int64_t tree = huffTable;
    const std::int64_t usable = end - start + 1;

    // The reader is kept inline: the byte range, not only the file, ends the stream.
    BitReaderState state{0, 0, start};
    std::int64_t fetched = 0;
    std::int64_t node = 0;
    for (;;) {
        if (state.bitsLeft <= 0) {
            ++fetched;
            if (bounded && fetched > usable) return decoded;  // an unfinished character is dropped
        }
        const auto bit = ReadBit(rom, state);
        if (!bit) return decoded;
        const auto child = ReadU8(rom, tree + (*bit ? kV1RightChildren : kV1LeftChildren) + node);
        if (!child) return decoded;
        if (*child < kV1FirstLeaf) {
            node = *child;
            continue;
        }
        const auto value = ReadU8(rom, tree + *child);
        if (!value) return decoded;
        decoded.push_back(*value);
        if (decoded.size() >= maxValues) return decoded;
        node = 0;
    }
}

std::vector<std::uint16_t> DecodeHuffmanV2(std::span<const std::uint8_t> rom, std::int32_t huffTable,
                                           std::int64_t start, std::size_t maxValues) {
    std::vector<std::uint16_t> decoded;
    const std::int64_t table = huffTable;
    BitReaderState state{0, 0, start};

    // A character whose bits run past the end of the file is dropped and ends the string.
    auto readBits = [&](int count) -> std::optional<int> {
        int value = 0;
        for (int k = 0; k < count; ++k) {
            const auto bit = ReadBit(rom, state);
            if (!bit) return std::nullopt;
            value = (value << 1) | *bit;
        }
        return value;
    };

    for (;;) {
        const auto first = readBits(1);
        if (!first) return decoded;
        int base = 0;
        int valueBits = 3;
        if (*first == 1) {
            const auto second = readBits(1);
            if (!second) return decoded;
            base = *second == 0 ? 8 : 16;
            valueBits = *second == 0 ? 3 : 5;
        }
        const auto v = readBits(valueBits);
        if (!v) return decoded;
        const int index = base + *v;
        const auto value = ReadU8(rom, table + index);
        if (!value) return decoded;
        decoded.push_back(*value);
        if (index == kV2EndIndex || decoded.size() >= maxValues) return decoded;
    }
}

}  // namespace quorvex
