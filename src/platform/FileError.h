#pragma once
#include <stdexcept>
#include <string>

namespace quorvex {

// The one failure of file access: a file that cannot be opened, read or written.
// Carries the path and the system's reason; the command that started the work
// catches it and shows it as one message (FileErrorMessage).
class FileError : public std::runtime_error {
public:
    FileError(std::string path, std::string reason);

    [[nodiscard]] const std::string& path() const noexcept { return m_path; }
    [[nodiscard]] const std::string& reason() const noexcept { return m_reason; }

private:
    std::string m_path;
    std::string m_reason;
};

// Builds a FileError from errno as it stands.
[[nodiscard]] FileError FileErrorFromErrno(const std::string& path);

}  // namespace quorvex
