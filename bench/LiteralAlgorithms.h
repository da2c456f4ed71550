#pragma once
// The algorithms as first written down, kept to measure the engine against:
// every table lookup a first-occurrence substring search over the whole
// table text, every ROM access one seek and one small unbuffered read or
// write on the file, and the exchange sort of the pointer list. They produce
// the same scripts and bytes as the engine for the jobs the generator makes.
#include "LiteralTable.h"
#include "job/JobSettings.h"
#include "pointers/PointerTable.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quorvex::bench::literal {

// An unbuffered file handle: each call is one system call.
class UnbufferedFile {
public:
    UnbufferedFile(const std::filesystem::path& path, bool writable);
    UnbufferedFile(const UnbufferedFile&) = delete;
    UnbufferedFile& operator=(const UnbufferedFile&) = delete;
    ~UnbufferedFile();

    void Seek(std::int64_t offset);
    // Bytes read; fewer than count at the end of the file.
    std::size_t Read(std::uint8_t* buffer, std::size_t count);
    void Write(const std::uint8_t* bytes, std::size_t count);
    [[nodiscard]] std::int64_t Size() const;

private:
    int m_fd = -1;
};

// The character-table searches, written out plainly (shared with the tests).
using quorvex::literal::ByteMatch;
using quorvex::literal::FrameTable;
using quorvex::literal::LongestTextLength;
using quorvex::literal::LookupBytes;
using quorvex::literal::LookupText;
using quorvex::literal::TextMatch;

// for i < j: swap entries i and j when j's address is below i's.
void ExchangeSort(std::span<PointerEntry> entries);

struct Extraction {
    std::u16string script;
    std::size_t stringsDecoded = 0;  // blocks written
    std::size_t stringsTotal = 0;    // blocks the whole job has
    double tableSeconds = 0;         // reading and sorting the pointer list (or cutting the Scattered text)
    double decodeSeconds = 0;        // the blocks written
};

// Extracts the job (Regular2/3/4 and Scattered2/4 layouts; Regular and Huffman v2
// text), writing at most stringLimit blocks.
[[nodiscard]] Extraction Extract(const std::filesystem::path& romPath, std::u16string_view framedTable,
                                 JobSettings settings, TableType tableType, TextType textType,
                                 std::size_t stringLimit);

struct Insertion {
    std::size_t blocksDone = 0;
    std::size_t blocksTotal = 0;
    std::int64_t textBytes = 0;     // bytes of text written (or counted)
    std::int64_t writePosition = 0;
    bool stoppedAtUnknown = false;
    double seconds = 0;
};

// Inserts the script into the ROM in place, or, with write clear, only counts
// its bytes as Check Insert does (the ROM is then read only for Huffman v2
// codes). Handles at most blockLimit blocks.
[[nodiscard]] Insertion Insert(const std::filesystem::path& romPath, std::u16string_view framedTable,
                               std::int32_t longestTextLength, std::u16string_view script, bool write,
                               std::size_t blockLimit);

}  // namespace quorvex::bench::literal
