#pragma once
#include "job/JobSettings.h"

#include <cstdint>
#include <optional>
#include <span>

namespace quorvex {

// How one pointer of a table is stored: its width in bytes, its byte order,
// and for the split layout (Variation1) the distance from each low byte to its
// high byte. Reading and writing go through the same description, so a
// pointer is always written back exactly where and how it was read.
struct PointerLayout {
    int width = 2;
    bool bigEndian = false;
    bool split = false;          // Variation1: the low bytes, then the high bytes splitHalf further on
    std::int32_t splitHalf = 0;
    int stride = 2;              // distance between neighbouring entries

    // The pointer value at offset; no value when any of its bytes lies outside the image.
    [[nodiscard]] std::optional<std::uint32_t> Read(std::span<const std::uint8_t> image, std::int64_t offset) const;
    // Writes the low `width` bytes of value; false (nothing written) when any
    // of its bytes would lie outside the image.
    [[nodiscard]] bool Write(std::span<std::uint8_t> image, std::int64_t offset, std::uint32_t value) const;
    // The first byte of the entry at offset, least significant first, that
    // lies outside an image of imageSize bytes; no value when it fits.
    [[nodiscard]] std::optional<std::int64_t> ByteOutside(std::size_t imageSize, std::int64_t offset) const;
};

// The layout of a table type's pointers. Variation1's split is half the
// table's length, rounded as it always has been. No value for the layouts
// without pointer entries (PascalLine, Custom1) and unknown types.
[[nodiscard]] std::optional<PointerLayout> LayoutOf(TableType tableType, const JobSettings& job);

// The bytes of one pointer: the layout's width; 2 for Custom1 (and the layouts without pointers).
[[nodiscard]] int PointerWidth(TableType tableType, const JobSettings& job);

}  // namespace quorvex
