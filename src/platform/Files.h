#pragma once
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace quorvex {

// Reads a whole file. Throws FileError when it cannot be opened or read
// (a folder counts as a file that cannot be read).
[[nodiscard]] std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path);

// Replaces the file's contents atomically: writes a temporary file beside it,
// flushes it to disk, gives it the old file's permissions and renames it over
// the target. Leftover temporary files of an earlier, interrupted save of the
// same file are removed first. On any failure the old file is left whole, the temporary file is
// removed and FileError is thrown. A target that does not exist yet is created.
void SaveFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

// Throws FileError unless the existing file can be opened for reading and writing.
void CheckWritable(const std::filesystem::path& path);

}  // namespace quorvex
