#pragma once
#include <filesystem>

namespace quorvex {

// An exclusive lock for one read-modify-write of a file: take it before the
// file is read and keep it until SaveFileAtomically has renamed the new
// contents into place. Two updates of the same file that each hold one, in two
// processes or two threads, then run one after the other, and the second reads
// what the first saved. The lock is advisory: only updates that take it wait.
// A symbolic link is followed to the file at the end of its chain, the file
// SaveFileAtomically replaces (ResolveLinkChain).
//
// The constructor waits for as long as another update holds the lock. It
// throws FileError naming the file when the file cannot be opened for reading
// (it must exist: an update reads it first), is a folder, or cannot be locked.
// One thread must not take a second lock on a file it already holds: it would
// wait for itself.
class FileUpdateLock {
public:
    explicit FileUpdateLock(const std::filesystem::path& target);
    FileUpdateLock(FileUpdateLock&& other) noexcept;
    FileUpdateLock(const FileUpdateLock&) = delete;
    FileUpdateLock& operator=(const FileUpdateLock&) = delete;
    FileUpdateLock& operator=(FileUpdateLock&&) = delete;
    ~FileUpdateLock();

    // The locked file: the target with its links resolved.
    [[nodiscard]] const std::filesystem::path& path() const noexcept { return m_path; }

private:
    std::filesystem::path m_path;
    int m_fd = -1;
};

}  // namespace quorvex
