#include "extract/BitIO.h"

namespace quorvex {

std::optional<int> ReadBit(std::span<const std::uint8_t> rom, BitReaderState& state) {
    if (state.bitsLeft <= 0) {
        if (state.next < 0 || state.next >= static_cast<std::int64_t>(rom.size())) {
            state.bitsLeft = 0;
            return std::nullopt;
        }
        state.current = rom[static_cast<std::size_t>(state.next)];
        ++state.next;
        state.bitsLeft = 8;
    }
    --state.bitsLeft;
    const int bit = static_cast<int>((state.current >> 7) & 1u);
    state.current = (state.current << 1) & 0xFFu;
    return bit;
}

void BitWriter::WriteBit(int bit) {
    if (m_position - 1 < 0) {
        // The byte is complete: it goes out before the new bit starts the next one.
        m_bytes.push_back(static_cast<std::uint8_t>(m_byte & 0xFFu));
        m_byte = 0;
        m_position = 8;
    }
    --m_position;
    if (bit != 0) m_byte |= 1u << m_position;
}

void BitWriter::EndString() {
    // With the position at 0 the next bit completes the byte being built; the
    // bit itself belongs to no string and is dropped with the writer.
    m_position = 0;
    WriteBit(0);
}

}  // namespace quorvex
