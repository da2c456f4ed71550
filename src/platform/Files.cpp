#include "platform/Files.h"

#include "platform/CodePage.h"

#include "platform/FileError.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <string>

namespace quorvex {

bool IsSameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::error_code error;
    return std::filesystem::equivalent(a, b, error) && !error;
}
namespace {

// Owns a POSIX file descriptor.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    [[nodiscard]] int get() const { return m_fd; }

private:
    int m_fd;
};

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::filesystem::path FolderOf(const std::filesystem::path& path) {
    return path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
}

// A save killed before its rename leaves "<name>.quorvex-XXXXXX" behind; the
// next save of the same file clears such leftovers. A save that is still
// running holds a lock on its temporary file (CreateTemporary), so another
// process saving the same file at the same moment does not pull it away.
void RemoveStaleTemporaries(const std::filesystem::path& path) {
    const std::string prefix = path.filename().string() + ".quorvex-";
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(FolderOf(path), error)) {
        const std::string name = entry.path().filename().string();
        if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0 ||
            !entry.is_regular_file(error) || entry.is_symlink(error))
            continue;
        Descriptor fd(::open(entry.path().c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        // Where no lock can be taken at all (a file we may not read, a file
        // system without locks) the leftover is removed as it always was.
        if (fd.get() >= 0 && ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) continue;
        // Unlinked while the lock is still held: see CreateTemporary.
        std::filesystem::remove(entry.path(), error);
    }
}

// Creates "<target>.quorvex-XXXXXX" (the pattern in `temporary`, which receives
// the name) and locks it for as long as it stays open. A cleaner that took the
// lock first has unlinked the fresh file; a link count of 0 tells, and a new
// one is made. Returns -1 with errno set when no file can be created.
int CreateTemporary(std::string& temporary) {
    const std::string pattern = temporary;
    for (;;) {
        temporary = pattern;
        const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
        if (fd < 0) return -1;
        while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {}
        struct stat info {};
        if (::fstat(fd, &info) == 0 && info.st_nlink > 0) return fd;
        ::close(fd);
    }
}

// Without a temporary file beside it the file cannot be saved, however
// writable the file itself is, so the message names the folder.
FileError TemporaryFileError(const std::filesystem::path& target) {
    const int code = errno;
    std::filesystem::path folder = FolderOf(target);
    if (!target.has_parent_path()) {
        std::error_code error;
        if (auto current = std::filesystem::current_path(error); !error) folder = std::move(current);
    }
    return FileError(folder.string(),
                     std::string(std::strerror(code)) + " (the file is saved through a temporary file in this folder)");
}

}  // namespace

std::filesystem::path ResolveLinkChain(const std::filesystem::path& path) {
    std::filesystem::path current = path;
    // The system's own limit for one path (MAXSYMLINKS).
    for (int hops = 0; hops <= 40; ++hops) {
        std::error_code error;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(current, error))) return current;
        const std::filesystem::path next = std::filesystem::read_symlink(current, error);
        if (error) return current;
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    errno = ELOOP;
    throw FileErrorFromErrno(path.string());
}

FileBytes ReadFileBytes(const std::filesystem::path& path) {
    const std::string name = path.string();
    Descriptor fd(::open(name.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) throw FileErrorFromErrno(name);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) throw FileErrorFromErrno(name);
    if (S_ISDIR(info.st_mode)) throw FileError(name, "Is a directory");

    // Read straight into place, with a byte to spare for the read that finds
    // the end; a file that is still growing (or whose size the system does not
    // know) moves to more room as it is read.
    FileBytes file;
    std::size_t capacity = info.st_size > 0 ? static_cast<std::size_t>(info.st_size) + 1 : 0;
    file.m_data.reset(new std::uint8_t[capacity]);
    for (;;) {
        if (file.m_size == capacity) {
            capacity = std::max<std::size_t>(2 * capacity, 65536);
            std::unique_ptr<std::uint8_t[]> grown(new std::uint8_t[capacity]);
            std::copy(file.m_data.get(), file.m_data.get() + file.m_size, grown.get());
            file.m_data = std::move(grown);
        }
        const ssize_t n = ::read(fd.get(), file.m_data.get() + file.m_size, capacity - file.m_size);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw FileErrorFromErrno(name);
        }
        if (n == 0) break;
        file.m_size += static_cast<std::size_t>(n);
    }
    return file;
}

std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path) {
    const FileBytes file = ReadFileBytes(path);
    return {file.bytes().begin(), file.bytes().end()};
}

void CheckWritable(const std::filesystem::path& path) {
    const std::string name = path.string();
    Descriptor fd(::open(name.c_str(), O_RDWR | O_CLOEXEC));
    if (fd.get() < 0) throw FileErrorFromErrno(name);
}

void SaveFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    // Renaming over the link itself would turn it into a regular file and
    // leave the file it leads to as it was.
    const std::filesystem::path target = ResolveLinkChain(path);
    const std::string name = target.string();
    struct stat old {};
    const bool existed = ::stat(name.c_str(), &old) == 0;
    if (existed && S_ISDIR(old.st_mode)) throw FileError(name, "Is a directory");
    if (existed) {
        // The rename below would replace even a file that has been made
        // read-only since it was read; such a file is refused instead.
        Descriptor writable(::open(name.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
        if (writable.get() < 0) throw FileErrorFromErrno(name);
    }

    RemoveStaleTemporaries(target);
    std::string temporary = name + ".quorvex-XXXXXX";
    Descriptor fd(CreateTemporary(temporary));
    if (fd.get() < 0) throw TemporaryFileError(target);

    const auto fail = [&](int code) {
        ::unlink(temporary.c_str());
        errno = code;
        return FileErrorFromErrno(name);
    };
    const mode_t mode = existed ? (old.st_mode & 07777) : 0644;
    if (!WriteAll(fd.get(), bytes)) throw fail(errno);
    if (::fchmod(fd.get(), mode) != 0) throw fail(errno);
    if (::fsync(fd.get()) != 0) throw fail(errno);
    // The temporary file stays open, and so locked, until it has its final
    // name; fsync has already reported any write that did not reach the disk.
    if (::rename(temporary.c_str(), name.c_str()) != 0) throw fail(errno);

    // Make the rename itself durable.
    Descriptor dir(::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) ::fsync(dir.get());
}

void SaveUtf8Atomically(const std::filesystem::path& path, std::u16string_view text, bool zeroAfter) {
    std::string utf8 = ToUtf8(text);
    if (zeroAfter) utf8.push_back('\0');
    SaveFileAtomically(path, std::span(reinterpret_cast<const std::uint8_t*>(utf8.data()), utf8.size()));
}

void SaveUtf8Atomically(const std::filesystem::path& path, std::string_view utf8, bool zeroAfter) {
    if (!zeroAfter) {
        SaveFileAtomically(path, std::span(reinterpret_cast<const std::uint8_t*>(utf8.data()), utf8.size()));
        return;
    }
    std::string withZero(utf8);
    withZero.push_back('\0');
    SaveUtf8Atomically(path, withZero, false);
}

}  // namespace quorvex
