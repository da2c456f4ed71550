#include "platform/RomFile.h"

#include "platform/Files.h"

#include <algorithm>

namespace quorvex {

RomFile RomFile::OpenForReading(const std::filesystem::path& path) {
    return RomFile(ReadWholeFile(path), path);
}

RomFile RomFile::OpenForWriting(const std::filesystem::path& path) {
    CheckWritable(path);
    return OpenForReading(path);
}

RomFile::RomFile(std::vector<std::uint8_t> bytes, std::filesystem::path path)
    : m_bytes(std::move(bytes)), m_path(std::move(path)) {}

std::optional<std::uint8_t> RomFile::ReadByte(std::int64_t offset) const noexcept {
    if (offset < 0 || offset >= size()) return std::nullopt;
    return m_bytes[static_cast<std::size_t>(offset)];
}

std::span<const std::uint8_t> RomFile::Read(std::int64_t offset, std::int64_t count) const noexcept {
    if (offset < 0 || offset >= size() || count <= 0) return {};
    const std::int64_t available = std::min(count, size() - offset);
    return std::span<const std::uint8_t>(m_bytes).subspan(static_cast<std::size_t>(offset),
                                                          static_cast<std::size_t>(available));
}

}  // namespace quorvex
