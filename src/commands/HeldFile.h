#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>

namespace quorvex::commands {

// A file whose contents a front end keeps in memory between commands (the
// loaded character table, the loaded Insert File), with what the file was like
// when it was read: its size, modification time and a hash of its bytes. The
// holder asks Changed() before a command uses the contents and loads the file
// again only when it says so, so an edit made on disk since is never missed and
// an unchanged file is not converted again.
class HeldFile {
public:
    // Stamps the file as it is now; take the stamp before loading the file, so
    // a change made while it loads shows at the next check. No value when the
    // file cannot be read (the load itself then says why).
    [[nodiscard]] static std::optional<HeldFile> Stamp(const std::filesystem::path& path);

    [[nodiscard]] const std::filesystem::path& path() const noexcept { return m_path; }

    // True when the file's size, modification time or bytes differ from the
    // stamp, or when it can no longer be read. The bytes are read (never
    // converted) only when size and time still match.
    [[nodiscard]] bool Changed() const;

private:
    HeldFile() = default;

    std::filesystem::path m_path;
    std::uintmax_t m_size = 0;
    std::filesystem::file_time_type m_modified;
    std::uint64_t m_hash = 0;
};

}  // namespace quorvex::commands
