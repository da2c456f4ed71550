#include "pointers/PointerLayout.h"

#include "platform/ByteOrder.h"
#include "pointers/PointerTable.h"

namespace quorvex {

std::optional<std::uint32_t> PointerLayout::Read(std::span<const std::uint8_t> image, std::int64_t offset) const {
    if (split) {
        const auto low = ReadLe(image, offset, 1);
        const auto high = ReadLe(image, offset + splitHalf, 1);
        if (!low || !high) return std::nullopt;
        return *low | (*high << 8);
    }
    return bigEndian ? ReadBe(image, offset, width) : ReadLe(image, offset, width);
}

bool PointerLayout::Write(std::span<std::uint8_t> image, std::int64_t offset, std::uint32_t value) const {
    if (split) {
        if (!ReadLe(image, offset, 1) || !ReadLe(image, offset + splitHalf, 1)) return false;
        return WriteLe(image, offset, 1, value & 0xFFu) && WriteLe(image, offset + splitHalf, 1, (value >> 8) & 0xFFu);
    }
    return bigEndian ? WriteBe(image, offset, width, value) : WriteLe(image, offset, width, value);
}

std::optional<std::int64_t> PointerLayout::ByteOutside(std::size_t imageSize, std::int64_t offset) const {
    const auto outside = [&](std::int64_t at) { return at < 0 || at >= static_cast<std::int64_t>(imageSize); };
    for (int i = 0; i < width; ++i) {
        const std::int64_t at = split ? offset + i * static_cast<std::int64_t>(splitHalf)
                                      : (bigEndian ? offset + width - 1 - i : offset + i);
        if (outside(at)) return at;
    }
    return std::nullopt;
}

std::optional<PointerLayout> LayoutOf(TableType tableType, const JobSettings& job) {
    switch (tableType) {
    case TableType::Regular2:
    case TableType::Scattered2: return PointerLayout{2, false, false, 0, 2};
    case TableType::Regular3: return PointerLayout{3, false, false, 0, 3};
    case TableType::Regular4:
    case TableType::Scattered4: return PointerLayout{4, false, false, 0, 4};
    case TableType::Variation4: return PointerLayout{4, true, false, 0, 4};
    case TableType::Variation1: {
        // The difference is taken wide so that no header can overflow it.
        const std::int64_t span = static_cast<std::int64_t>(job.tableEnd) - job.tableStart;
        return PointerLayout{2, false, true, RoundHalfUp(static_cast<float>(span) / 2.0f), 1};
    }
    case TableType::PascalLine:
    case TableType::Custom1: break;
    }
    return std::nullopt;
}

int PointerWidth(TableType tableType, const JobSettings& job) {
    const auto layout = LayoutOf(tableType, job);
    return layout ? layout->width : 2;
}

}  // namespace quorvex
