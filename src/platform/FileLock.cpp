#include "platform/FileLock.h"

#include "platform/FileError.h"
#include "platform/Files.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <utility>

namespace quorvex {

// The lock is taken on the file itself, not on a lock file beside it: a lock
// file would stay beside every ROM and script, would need a writable folder
// just to be created (and fail there with a reason that is not the real one),
// and could be mistaken for a leftover by a cleaner. The price is that the
// atomic save gives the file a new inode, so an update that waited may hold the
// lock of a file that has just been replaced. It checks, once it has the lock,
// that the path still names the inode it locked, and locks the new one if not;
// the update that replaced it has finished by then, its rename being its last step.
FileUpdateLock::FileUpdateLock(const std::filesystem::path& target) : m_path(ResolveLinkChain(target)) {
    const std::string name = m_path.string();
    for (;;) {
        // O_NONBLOCK: a FIFO in the file's place must not hang the opening.
        const int fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) throw FileErrorFromErrno(name);
        const auto fail = [fd, &name](int code) {
            ::close(fd);
            errno = code;
            return FileErrorFromErrno(name);
        };
        int locked = 0;
        while ((locked = ::flock(fd, LOCK_EX)) != 0 && errno == EINTR) {}
        if (locked != 0) throw fail(errno);
        struct stat held {};
        if (::fstat(fd, &held) != 0) throw fail(errno);
        if (S_ISDIR(held.st_mode)) throw fail(EISDIR);
        struct stat now {};
        if (::stat(name.c_str(), &now) == 0 && now.st_dev == held.st_dev && now.st_ino == held.st_ino) {
            m_fd = fd;
            return;
        }
        ::close(fd);
    }
}

FileUpdateLock::FileUpdateLock(FileUpdateLock&& other) noexcept
    : m_path(std::move(other.m_path)), m_fd(std::exchange(other.m_fd, -1)) {}

FileUpdateLock::~FileUpdateLock() {
    if (m_fd >= 0) ::close(m_fd);
}

}  // namespace quorvex
