#include "commands/HeldFile.h"

#include "platform/Files.h"

#include <functional>
#include <string_view>
#include <system_error>

namespace quorvex::commands {
namespace {

// Not a defence against anyone: it only has to tell an edited file from the
// one that was read when size and time happen to match (a tool that keeps the
// modification time, a clock with coarse steps).
std::uint64_t HashOf(const std::vector<std::uint8_t>& bytes) {
    return std::hash<std::string_view>{}(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

struct Times {
    std::uintmax_t size = 0;
    std::filesystem::file_time_type modified;
};

std::optional<Times> TimesOf(const std::filesystem::path& path) {
    std::error_code error;
    Times times;
    times.size = std::filesystem::file_size(path, error);
    if (error) return std::nullopt;
    times.modified = std::filesystem::last_write_time(path, error);
    if (error) return std::nullopt;
    return times;
}

std::optional<std::uint64_t> HashOfFile(const std::filesystem::path& path) {
    try {
        return HashOf(ReadWholeFile(path));
    } catch (...) {
        // Whatever stops the read here stops the load that follows, which says why.
        return std::nullopt;
    }
}

}  // namespace

std::optional<HeldFile> HeldFile::Stamp(const std::filesystem::path& path) {
    const std::optional<Times> times = TimesOf(path);
    if (!times) return std::nullopt;
    const std::optional<std::uint64_t> hash = HashOfFile(path);
    if (!hash) return std::nullopt;
    HeldFile held;
    held.m_path = path;
    held.m_size = times->size;
    held.m_modified = times->modified;
    held.m_hash = *hash;
    return held;
}

bool HeldFile::Changed() const {
    const std::optional<Times> times = TimesOf(m_path);
    if (!times || times->size != m_size || times->modified != m_modified) return true;
    const std::optional<std::uint64_t> hash = HashOfFile(m_path);
    return !hash || *hash != m_hash;
}

}  // namespace quorvex::commands
