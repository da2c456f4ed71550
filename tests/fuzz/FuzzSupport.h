#pragma once
// Shared by the fuzz targets: cutting one input into parts, a private scratch
// folder, and a prompt that answers from the input.
#include "platform/CodePage.h"
#include "platform/Prompt.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace quorvex::fuzz {

// Stops the run with a message: the target found a broken promise.
[[noreturn]] inline void Fail(const char* what) {
    std::fprintf(stderr, "fuzz target check failed: %s\n", what);
    std::abort();
}
#define QUORVEX_FUZZ_CHECK(condition)                                  \
    do {                                                               \
        if (!(condition)) ::quorvex::fuzz::Fail(#condition);           \
    } while (false)

// Reads an input from the front: fixed-size numbers first, then parts ended
// by a zero byte (the last part takes whatever is left).
class InputReader {
public:
    InputReader(const std::uint8_t* data, std::size_t size) : m_bytes(data, size) {}

    std::uint8_t Byte() { return m_at < m_bytes.size() ? m_bytes[m_at++] : 0; }
    std::int32_t Int32() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(Byte()) << (8 * i);
        return static_cast<std::int32_t>(value);
    }
    // Up to (not including) the next zero byte, which is skipped.
    std::span<const std::uint8_t> Part() {
        const std::size_t start = m_at;
        while (m_at < m_bytes.size() && m_bytes[m_at] != 0) ++m_at;
        const auto part = m_bytes.subspan(start, m_at - start);
        if (m_at < m_bytes.size()) ++m_at;
        return part;
    }
    std::span<const std::uint8_t> Rest() {
        const auto rest = m_bytes.subspan(m_at);
        m_at = m_bytes.size();
        return rest;
    }

private:
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_at = 0;
};

// The read mode a flag byte names: its low two bits pick Ascii, UTF-7 or UTF-8
// (3 is UTF-8 too); bit 2 picks Shift JIS instead of windows-1252 for Ascii.
inline TextDecoding DecodingFromFlags(std::uint8_t flags) {
    TextDecoding decoding;
    switch (flags & 3) {
    case 0: decoding.mode = ReadMode::Ascii; break;
    case 1: decoding.mode = ReadMode::UTF7; break;
    default: decoding.mode = ReadMode::UTF8; break;
    }
    decoding.systemCodePage = (flags & 4) ? "shift_jis" : "windows-1252";
    return decoding;
}

// One folder per process under /dev/shm (or the temporary folder), emptied
// before each use.
inline const std::filesystem::path& ScratchFolder() {
    static const std::filesystem::path folder = [] {
        std::error_code error;
        std::filesystem::path base = "/dev/shm";
        if (!std::filesystem::is_directory(base, error)) base = std::filesystem::temp_directory_path();
        std::string name = (base / "quorvex-fuzz-XXXXXX").string();
        if (::mkdtemp(name.data()) == nullptr) Fail("cannot make a scratch folder");
        return std::filesystem::path(name);
    }();
    static const bool removedAtExit = [] {
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(ScratchFolder(), ignored);
        });
        return true;
    }();
    (void)removedAtExit;
    return folder;
}

inline void EmptyScratchFolder() {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(ScratchFolder(), error))
        std::filesystem::remove_all(entry.path(), error);
}

inline std::vector<std::filesystem::path> ScratchFiles() {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(ScratchFolder(), error)) files.push_back(entry.path());
    return files;
}

void WriteFileOrFail(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);
[[nodiscard]] std::vector<std::uint8_t> ReadFileOrFail(const std::filesystem::path& path);

// Answers Yes or No from a pattern of bits, one per question.
class PatternPrompt : public Prompt {
public:
    explicit PatternPrompt(std::uint8_t pattern) : m_pattern(pattern) {}
    bool askYesNo(std::u16string_view) override {
        const bool yes = (m_pattern >> (questions % 8)) & 1;
        ++questions;
        return yes;
    }
    int questions = 0;

private:
    std::uint8_t m_pattern;
};

}  // namespace quorvex::fuzz
