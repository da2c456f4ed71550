#pragma once
#include "platform/Prompt.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex::test {

// A fresh folder under the system's temporary folder, removed with its contents.
class TempDir {
public:
    TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();
    [[nodiscard]] const std::filesystem::path& path() const { return m_path; }
    [[nodiscard]] std::filesystem::path operator/(std::string_view name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

// Records every message; answers questions from a queue (No when it is empty).
class RecordingPrompt : public Prompt {
public:
    void notify(std::u16string_view text) override { messages.emplace_back(text); }
    bool askYesNo(std::u16string_view text) override {
        questions.emplace_back(text);
        if (answers.empty()) return false;
        const bool answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }

    std::vector<std::u16string> messages;
    std::vector<std::u16string> questions;
    std::vector<bool> answers;
};

void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
void WriteText(const std::filesystem::path& path, std::string_view utf8);
[[nodiscard]] std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path);

// UTF-8 for readable assertion output.
[[nodiscard]] std::string Narrow(std::u16string_view text);

// A ROM image of `size` bytes filled with `fill`, with byte runs placed at offsets.
class RomBuilder {
public:
    explicit RomBuilder(std::size_t size, std::uint8_t fill = 0);
    RomBuilder& Put(std::size_t offset, const std::vector<std::uint8_t>& bytes);
    // `count` bytes first, first + 1, ... from offset (a Huffman v2 code table, say).
    RomBuilder& PutRamp(std::size_t offset, std::size_t count, std::uint8_t first);
    [[nodiscard]] const std::vector<std::uint8_t>& bytes() const { return m_bytes; }

private:
    std::vector<std::uint8_t> m_bytes;
};

}  // namespace quorvex::test
