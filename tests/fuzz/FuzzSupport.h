#pragma once
// Shared by the fuzz targets: cutting one input into parts, a private scratch
// folder, and a prompt that answers from the input.
#include "job/JobSettings.h"
#include "platform/CodePage.h"
#include "platform/Prompt.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace quorvex::fuzz {

// Stops the run with a message: the target found a broken promise.
[[noreturn]] inline void Fail(const char* what) {
    std::fprintf(stderr, "fuzz target check failed: %s\n", what);
    std::abort();
}
#define QUORVEX_FUZZ_CHECK(condition)                        \
    do {                                                     \
        if (!(condition)) ::quorvex::fuzz::Fail(#condition); \
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
    // Table Start, Table End, Text Start, Text End, X000 Offset and HuffTable, as Int32s.
    JobSettings Job() {
        JobSettings job;
        for (std::int32_t* field : {&job.tableStart, &job.tableEnd, &job.textStart, &job.textEnd, &job.xOffset,
                                    &job.huffTable})
            *field = Int32();
        return job;
    }
    // Up to (not including) the next zero byte, which is skipped.
    std::span<const std::uint8_t> Part() {
        const std::size_t start = m_at;
        while (m_at < m_bytes.size() && m_bytes[m_at] != 0) ++m_at;
        const auto part = m_bytes.subspan(start, m_at - start);
        if (m_at < m_bytes.size()) ++m_at;
        return part;
    }
    // The next count bytes, or as many as are left.
    std::span<const std::uint8_t> Take(std::size_t count) {
        const std::size_t start = m_at;
        m_at += std::min(count, m_bytes.size() - m_at);
        return m_bytes.subspan(start, m_at - start);
    }
    std::span<const std::uint8_t> Rest() { return m_bytes.subspan(std::exchange(m_at, m_bytes.size())); }

private:
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_at = 0;
};

// The read mode a flag byte names: its low two bits pick Ascii, UTF-7 or UTF-8
// (3 is UTF-8 too); bit 2 picks Shift JIS instead of windows-1252 for Ascii.
inline TextDecoding DecodingFromFlags(std::uint8_t flags) {
    const ReadMode modes[] = {ReadMode::Ascii, ReadMode::UTF7, ReadMode::UTF8, ReadMode::UTF8};
    return {modes[flags & 3], (flags & 4) ? "shift_jis" : "windows-1252"};
}

// One folder per process under /dev/shm (or the temporary folder), removed at exit.
inline const std::filesystem::path& ScratchFolder() {
    static const struct Folder {
        std::filesystem::path path;
        Folder() {
            std::error_code error;
            const bool shm = std::filesystem::is_directory("/dev/shm", error);
            const std::filesystem::path base = shm ? "/dev/shm" : std::filesystem::temp_directory_path();
            std::string name = (base / "quorvex-fuzz-XXXXXX").string();
            if (::mkdtemp(name.data()) == nullptr) Fail("cannot make a scratch folder");
            path = name;
        }
        ~Folder() {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    } folder;
    return folder.path;
}

inline std::vector<std::filesystem::path> ScratchFiles() {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(ScratchFolder(), error)) files.push_back(entry.path());
    return files;
}

inline void EmptyScratchFolder() {
    std::error_code error;
    for (const auto& file : ScratchFiles()) std::filesystem::remove_all(file, error);
}

inline void WriteFileOrFail(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
        Fail("cannot write a scratch file");
}

[[nodiscard]] inline std::vector<std::uint8_t> ReadFileOrFail(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) Fail("cannot read a scratch file");
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Answers Yes or No from a pattern of bits, one per question.
class PatternPrompt : public Prompt {
public:
    explicit PatternPrompt(std::uint8_t pattern) : m_pattern(pattern) {}
    bool askYesNo(std::u16string_view) override { return (m_pattern >> (questions++ % 8)) & 1; }
    int questions = 0;

private:
    std::uint8_t m_pattern;
};

}  // namespace quorvex::fuzz
