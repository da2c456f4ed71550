#include "job/CTextEngine.h"

namespace quorvex {

std::optional<int> CTextEngine::ReadBit(BitReaderState& state) const {
    if (state.bitsLeft <= 0) {
        const auto byte = rom.ReadByte(state.next);
        if (!byte) {
            // Past the end of the file there is nothing to read; the state stays
            // as it was, so asking again gives the same answer.
            state.bitsLeft = 0;
            return std::nullopt;
        }
        state.current = *byte;
        ++state.next;
        state.bitsLeft = 8;
    }
    --state.bitsLeft;
    const int bit = static_cast<int>((state.current >> 7) & 1u);
    state.current = (state.current << 1) & 0xFFu;
    return bit;
}

bool CTextEngine::WriteBit(BitWriterState& state, int bit, bool write, std::span<std::uint8_t> image) {
    if (state.position - 1 < 0) {
        // The byte is complete: it goes out before the new bit starts the next one.
        if (write) {
            if (state.offset < 0 || state.offset >= static_cast<std::int64_t>(image.size())) return false;
            image[static_cast<std::size_t>(state.offset)] = static_cast<std::uint8_t>(state.byte & 0xFFu);
        }
        ++bytesFlushed;
        state.byte = 0;
        ++state.offset;
        state.position = 8;
    }
    --state.position;
    if (bit != 0) state.byte |= 1u << state.position;
    return true;
}

}  // namespace quorvex
