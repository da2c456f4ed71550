#include "platform/ByteOrder.h"

namespace quorvex {
namespace {

bool Inside(std::size_t size, std::int64_t offset, int width) {
    return offset >= 0 && width >= 0 && offset + width <= static_cast<std::int64_t>(size);
}

}  // namespace

std::optional<std::uint32_t> ReadLe(std::span<const std::uint8_t> bytes, std::int64_t offset, int width) {
    if (!Inside(bytes.size(), offset, width)) return std::nullopt;
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i) value = (value << 8) | bytes[static_cast<std::size_t>(offset + i)];
    return value;
}

std::optional<std::uint32_t> ReadU8(std::span<const std::uint8_t> bytes, std::int64_t offset) {
    return ReadLe(bytes, offset, 1);
}
std::optional<std::uint32_t> ReadU16Le(std::span<const std::uint8_t> bytes, std::int64_t offset) {
    return ReadLe(bytes, offset, 2);
}
std::optional<std::uint32_t> ReadU32Le(std::span<const std::uint8_t> bytes, std::int64_t offset) {
    return ReadLe(bytes, offset, 4);
}

std::optional<std::uint32_t> ReadBe(std::span<const std::uint8_t> bytes, std::int64_t offset, int width) {
    if (!Inside(bytes.size(), offset, width)) return std::nullopt;
    std::uint32_t value = 0;
    for (int i = 0; i < width; ++i) value = (value << 8) | bytes[static_cast<std::size_t>(offset + i)];
    return value;
}

bool WriteLe(std::span<std::uint8_t> bytes, std::int64_t offset, int width, std::uint32_t value) {
    if (!Inside(bytes.size(), offset, width)) return false;
    for (int i = 0; i < width; ++i) bytes[static_cast<std::size_t>(offset + i)] = static_cast<std::uint8_t>(value >> (8 * i));
    return true;
}

bool WriteBe(std::span<std::uint8_t> bytes, std::int64_t offset, int width, std::uint32_t value) {
    if (!Inside(bytes.size(), offset, width)) return false;
    for (int i = 0; i < width; ++i)
        bytes[static_cast<std::size_t>(offset + i)] = static_cast<std::uint8_t>(value >> (8 * (width - 1 - i)));
    return true;
}

}  // namespace quorvex
