#include "TestSupport.h"

#include "platform/CodePage.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quorvex::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "quorvex-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a folder in " + pattern);
    m_path = pattern;
    fs::permissions(m_path, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                                fs::perms::others_exec);
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(m_path, ignored);
}

std::vector<std::string> TempDir::Files() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(m_path)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

bool RecordingPrompt::askYesNo(std::u16string_view text) {
    questions.emplace_back(text);
    const bool answer = !answers.empty() && answers.front();
    if (!answers.empty()) answers.erase(answers.begin());
    return answer;
}

void WriteBytes(const fs::path& path, const Bytes& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) throw std::runtime_error("cannot write " + path.string());
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes ReadBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw std::runtime_error("cannot read " + path.string());
    return Bytes(std::istreambuf_iterator<char>(file), {});
}

FrozenFile::FrozenFile(fs::path path, const Bytes& bytes)
    : m_path(std::move(path)), m_bytes(bytes), m_time(fs::file_time_type::clock::now() - std::chrono::hours(48)) {
    WriteBytes(m_path, m_bytes);
    fs::last_write_time(m_path, m_time);
}

bool FrozenFile::Unchanged() const {
    return fs::is_regular_file(m_path) && ReadBytes(m_path) == m_bytes && fs::last_write_time(m_path) == m_time;
}

std::string Narrow(std::u16string_view text) {
    return ToUtf8(text);
}

RomBuilder& RomBuilder::Put(std::size_t offset, const Bytes& bytes) {
    if (offset + bytes.size() > m_bytes.size()) m_bytes.resize(offset + bytes.size());
    std::copy(bytes.begin(), bytes.end(), m_bytes.begin() + static_cast<std::ptrdiff_t>(offset));
    return *this;
}

RomBuilder& RomBuilder::PutRamp(std::size_t offset, std::size_t count, std::uint8_t first) {
    for (std::size_t i = 0; i < count; ++i) Put(offset + i, {static_cast<std::uint8_t>(first + i)});
    return *this;
}

ChildRun RunInChild(const std::function<bool()>& body) {
    std::fflush(nullptr);
    const auto started = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        const bool passed = body();
        std::fflush(nullptr);
        ::_exit(passed ? 0 : 1);
    }
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    ChildRun run;
    run.passed = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    run.peakMiB = usage.ru_maxrss / 1024;
    return run;
}

}  // namespace quorvex::test
