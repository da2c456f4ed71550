#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quorvex {

// A ROM image read into memory once per command. Reads at absolute offsets;
// nothing past the end of the file is ever returned.
class RomFile {
public:
    // Throws FileError when the file cannot be opened or read.
    [[nodiscard]] static RomFile OpenForReading(const std::filesystem::path& path);
    // Also checks, up front, that the file can be opened for writing; throws FileError if not.
    [[nodiscard]] static RomFile OpenForWriting(const std::filesystem::path& path);

    explicit RomFile(std::vector<std::uint8_t> bytes, std::filesystem::path path = {});

    [[nodiscard]] const std::filesystem::path& path() const noexcept { return m_path; }
    [[nodiscard]] std::int64_t size() const noexcept { return static_cast<std::int64_t>(m_bytes.size()); }
    [[nodiscard]] std::span<const std::uint8_t> bytes() const noexcept { return m_bytes; }

    // The byte at offset, or none when the offset lies outside the file.
    [[nodiscard]] std::optional<std::uint8_t> ReadByte(std::int64_t offset) const noexcept;
    // Up to count bytes from offset: fewer (or none) where the file ends first.
    [[nodiscard]] std::span<const std::uint8_t> Read(std::int64_t offset, std::int64_t count) const noexcept;

private:
    std::vector<std::uint8_t> m_bytes;
    std::filesystem::path m_path;
};

}  // namespace quorvex
