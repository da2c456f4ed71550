#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace quorvex {

// Reads the bits of a ROM image most significant first: the current byte, its
// bits not yet taken, and the offset of the next byte to fetch.
struct BitReaderState {
    std::uint32_t current = 0;
    int bitsLeft = 0;
    std::int64_t next = 0;
};

// The next bit, or no value when the stream has run past the end of the
// image; the state then stays as it was, so asking again gives the same answer.
[[nodiscard]] std::optional<int> ReadBit(std::span<const std::uint8_t> rom, BitReaderState& state);

// Builds the bytes of one string bit by bit, most significant first. A byte
// is complete, and counted, on the call after its eighth bit.
class BitWriter {
public:
    void WriteBit(int bit);
    // Ends the string: completes its last, partly filled byte (a zero byte
    // for an empty string).
    void EndString();

    // The completed bytes.
    [[nodiscard]] const std::vector<std::uint8_t>& bytes() const noexcept { return m_bytes; }
    [[nodiscard]] std::int64_t bytesFlushed() const noexcept { return static_cast<std::int64_t>(m_bytes.size()); }

private:
    std::uint32_t m_byte = 0;
    int m_position = 8;
    std::vector<std::uint8_t> m_bytes;
};

}  // namespace quorvex
