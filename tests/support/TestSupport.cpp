#include "TestSupport.h"

#include "platform/CodePage.h"

#include <atomic>
#include <fstream>
#include <random>
#include <stdexcept>
#include <unistd.h>

namespace quorvex::test {

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    std::random_device random;
    m_path = std::filesystem::temp_directory_path() /
             ("quorvex-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" +
              std::to_string(random()));
    std::filesystem::create_directories(m_path);
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(m_path, ignored);
}

void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) throw std::runtime_error("cannot write " + path.string());
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void WriteText(const std::filesystem::path& path, std::string_view utf8) {
    WriteBytes(path, std::vector<std::uint8_t>(utf8.begin(), utf8.end()));
}

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw std::runtime_error("cannot read " + path.string());
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), {});
}

std::string Narrow(std::u16string_view text) {
    return ToUtf8(text);
}

RomBuilder::RomBuilder(std::size_t size, std::uint8_t fill) : m_bytes(size, fill) {}

RomBuilder& RomBuilder::Put(std::size_t offset, const std::vector<std::uint8_t>& bytes) {
    if (offset + bytes.size() > m_bytes.size()) m_bytes.resize(offset + bytes.size());
    std::copy(bytes.begin(), bytes.end(), m_bytes.begin() + static_cast<std::ptrdiff_t>(offset));
    return *this;
}

RomBuilder& RomBuilder::PutRamp(std::size_t offset, std::size_t count, std::uint8_t first) {
    for (std::size_t i = 0; i < count; ++i) Put(offset + i, {static_cast<std::uint8_t>(first + i)});
    return *this;
}

}  // namespace quorvex::test
