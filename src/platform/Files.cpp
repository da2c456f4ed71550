#include "platform/Files.h"

#include "platform/FileError.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace quorvex {
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
    // Closes now so that a failing close can be reported.
    [[nodiscard]] bool close() {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

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

// A save killed before its rename leaves "<name>.quorvex-XXXXXX" behind; the
// next save of the same file clears such leftovers.
void RemoveStaleTemporaries(const std::filesystem::path& path) {
    const std::string prefix = path.filename().string() + ".quorvex-";
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0 &&
            entry.is_regular_file(error))
            std::filesystem::remove(entry.path(), error);
    }
}

}  // namespace

std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path) {
    const std::string name = path.string();
    Descriptor fd(::open(name.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) throw FileErrorFromErrno(name);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) throw FileErrorFromErrno(name);
    if (S_ISDIR(info.st_mode)) throw FileError(name, "Is a directory");

    std::vector<std::uint8_t> bytes;
    if (info.st_size > 0) bytes.reserve(static_cast<std::size_t>(info.st_size));
    std::uint8_t chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw FileErrorFromErrno(name);
        }
        if (n == 0) break;
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    return bytes;
}

void CheckWritable(const std::filesystem::path& path) {
    const std::string name = path.string();
    Descriptor fd(::open(name.c_str(), O_RDWR | O_CLOEXEC));
    if (fd.get() < 0) throw FileErrorFromErrno(name);
}

void SaveFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    const std::string name = path.string();
    struct stat old {};
    const bool existed = ::stat(name.c_str(), &old) == 0;
    if (existed && S_ISDIR(old.st_mode)) throw FileError(name, "Is a directory");
    if (existed) {
        // The rename below would replace even a file that has been made
        // read-only since it was read; such a file is refused instead.
        Descriptor target(::open(name.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
        if (target.get() < 0) throw FileErrorFromErrno(name);
    }

    RemoveStaleTemporaries(path);
    std::string temporary = name + ".quorvex-XXXXXX";
    Descriptor fd(::mkstemp(temporary.data()));
    if (fd.get() < 0) throw FileErrorFromErrno(name);

    const auto fail = [&](int code) {
        ::unlink(temporary.c_str());
        errno = code;
        return FileErrorFromErrno(name);
    };
    const mode_t mode = existed ? (old.st_mode & 07777) : 0644;
    if (!WriteAll(fd.get(), bytes)) throw fail(errno);
    if (::fchmod(fd.get(), mode) != 0) throw fail(errno);
    if (::fsync(fd.get()) != 0) throw fail(errno);
    if (!fd.close()) throw fail(errno);
    if (::rename(temporary.c_str(), name.c_str()) != 0) throw fail(errno);

    // Make the rename itself durable.
    const std::string folder = path.has_parent_path() ? path.parent_path().string() : std::string(".");
    Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) ::fsync(dir.get());
}

}  // namespace quorvex
