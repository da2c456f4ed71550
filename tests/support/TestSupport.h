#pragma once
#include "platform/Prompt.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quorvex::test {

using Bytes = std::vector<std::uint8_t>;

// A fresh folder under the system's temporary folder, removed with its contents.
class TempDir {
public:
    TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();
    [[nodiscard]] const std::filesystem::path& path() const { return m_path; }
    [[nodiscard]] std::filesystem::path operator/(std::string_view name) const { return m_path / name; }
    // The names of the files in the folder, sorted.
    [[nodiscard]] std::vector<std::string> Files() const;

private:
    std::filesystem::path m_path;
};

// Records every question and answers from a queue (No when it is empty).
class RecordingPrompt : public Prompt {
public:
    bool askYesNo(std::u16string_view text) override;

    std::vector<std::u16string> questions;
    std::vector<bool> answers;
};

void WriteBytes(const std::filesystem::path& path, const Bytes& bytes);
inline void WriteText(const std::filesystem::path& path, std::string_view utf8) {
    WriteBytes(path, Bytes(utf8.begin(), utf8.end()));
}
[[nodiscard]] Bytes ReadBytes(const std::filesystem::path& path);
[[nodiscard]] inline std::string ReadString(const std::filesystem::path& path) {
    const Bytes bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// Writes a file and dates it two days back; Unchanged() is true while neither
// its bytes nor its modification time have changed since.
class FrozenFile {
public:
    FrozenFile(std::filesystem::path path, const Bytes& bytes);
    FrozenFile(std::filesystem::path path, std::string_view text)
        : FrozenFile(std::move(path), Bytes(text.begin(), text.end())) {}
    [[nodiscard]] bool Unchanged() const;
    [[nodiscard]] const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
    Bytes m_bytes;
    std::filesystem::file_time_type m_time;
};

// UTF-8 for readable assertion output.
[[nodiscard]] std::string Narrow(std::u16string_view text);

// A ROM image of `size` bytes filled with `fill`, with byte runs placed at offsets.
class RomBuilder {
public:
    explicit RomBuilder(std::size_t size, std::uint8_t fill = 0) : m_bytes(size, fill) {}
    RomBuilder& Put(std::size_t offset, const Bytes& bytes);
    // `count` bytes first, first + 1, ... from offset (a Huffman v2 code table, say).
    RomBuilder& PutRamp(std::size_t offset, std::size_t count, std::uint8_t first);
    [[nodiscard]] const Bytes& bytes() const { return m_bytes; }

private:
    Bytes m_bytes;
};

// Runs body in a child process, so that its time and peak memory are its own.
struct ChildRun {
    bool passed = false;  // body returned true
    double seconds = 0;
    long peakMiB = 0;
};
[[nodiscard]] ChildRun RunInChild(const std::function<bool()>& body);

}  // namespace quorvex::test
