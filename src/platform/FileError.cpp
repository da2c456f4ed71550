#include "platform/FileError.h"

#include <cerrno>
#include <cstring>

namespace quorvex {

FileError::FileError(std::string path, std::string reason)
    : std::runtime_error(path + ": " + reason), m_path(std::move(path)), m_reason(std::move(reason)) {}

FileError FileErrorFromErrno(const std::string& path) {
    const int code = errno;
    return FileError(path, code != 0 ? std::strerror(code) : "unknown error");
}

}  // namespace quorvex
