#pragma once
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <vector>

namespace quorvex {

// True when both paths name one existing file (links followed, hard links compared by inode).
[[nodiscard]] bool IsSameFile(const std::filesystem::path& a, const std::filesystem::path& b);

// Reads a whole file. Throws FileError when it cannot be opened or read
// (a folder counts as a file that cannot be read).
[[nodiscard]] std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path);

// A whole file's bytes, only to be read: the memory they are read into is
// not cleared first, which for a large ROM costs as much as the reading.
class FileBytes {
public:
    [[nodiscard]] std::span<const std::uint8_t> bytes() const noexcept { return {m_data.get(), m_size}; }

private:
    friend FileBytes ReadFileBytes(const std::filesystem::path& path);
    std::unique_ptr<std::uint8_t[]> m_data;
    std::size_t m_size = 0;
};
// As ReadWholeFile.
[[nodiscard]] FileBytes ReadFileBytes(const std::filesystem::path& path);

// The file a save of `path` replaces: `path` itself, or, when it is a symbolic
// link, the end of its chain of links, which need not exist yet. A relative link
// counts from the folder of the link. Throws FileError (naming `path`, "Too many
// levels of symbolic links") when the chain loops or is longer than 40 links.
[[nodiscard]] std::filesystem::path ResolveLinkChain(const std::filesystem::path& path);

// Replaces the file's contents atomically: writes a temporary file beside it,
// flushes it to disk, gives it the old file's permissions and renames it over
// the target. A symbolic link stays a link: the file at the end of its chain is
// the one replaced (ResolveLinkChain). The new contents get a new inode, so other
// hard links to the old file keep the old contents. Leftover temporary files of
// an earlier, interrupted save of the same file are removed first; those of a
// save still running are not. A target that does not exist yet is created.
// On any failure the old file is left whole, the temporary file is removed and
// FileError is thrown naming the file, except when the temporary file cannot be
// created: then it names the folder, with the system's reason followed by
// " (the file is saved through a temporary file in this folder)".
void SaveFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

// Saves text as UTF-8 without a byte-order mark, as SaveFileAtomically saves
// bytes; with zeroAfter, one zero byte follows the text.
void SaveUtf8Atomically(const std::filesystem::path& path, std::u16string_view text, bool zeroAfter = false);
// The same for text already in UTF-8.
void SaveUtf8Atomically(const std::filesystem::path& path, std::string_view utf8, bool zeroAfter = false);

// Throws FileError unless the existing file can be opened for reading and writing.
void CheckWritable(const std::filesystem::path& path);

}  // namespace quorvex
