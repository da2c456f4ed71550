#pragma once
// Bytes to text: which entry line a run of one, two or three bytes finds.
#include "chartable/PagedMap.h"
#include "chartable/TableLines.h"

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace quorvex::tableindex {

class ByteIndex {
public:
    struct Entry {
        std::size_t start = 0;  // first character of the entry's text
        std::size_t length = 0;
        int parameters = 0;  // the bytes after the code that are parameters
    };

    // Indexes every line of the framed table text that starts with 2, 4 or 6
    // hexadecimal digits, all of one case, and "=". `linked` gives the
    // parameter bytes of the entries whose "=" it names.
    void Build(std::u16string_view text, std::span<const LinkedEntry> linked);

    // The entry a key of `length` bytes (1 to 3) with this value finds: the
    // first upper-case line, else the first lower-case one (digits alone count
    // as both). Null when no line holds the key.
    [[nodiscard]] const Entry* Find(std::size_t length, std::uint32_t value) const {
        std::uint32_t found = 0;
        if (length == 1) {
            found = m_oneByte[value];
        } else if (length == 2) {
            found = m_twoBytes.Get(value);
        } else if (StartsThreeByteKey(value >> 8)) {
            found = static_cast<std::uint32_t>(m_threeBytes[ThreeByteSlot(value)] >> 32);
        }
        return found == 0 ? nullptr : &m_resolved[found - 1];
    }

    // The first byte of every key found by Build.
    [[nodiscard]] const std::bitset<0x100>& firstBytes() const noexcept { return m_firstBytes; }
    // Whether some two-byte (bit 1) or three-byte (bit 2) key starts with
    // this byte: most bytes start none, and their lookup is one read.
    [[nodiscard]] unsigned LongerKeys(std::uint8_t first) const noexcept { return m_longerKeys[first]; }
    // Whether some three-byte key starts with these two bytes (first << 8 | second).
    [[nodiscard]] bool StartsThreeByteKey(std::uint32_t twoBytes) const {
        return (m_threeByteLeads[twoBytes >> 6] >> (twoBytes & 63)) & 1u;
    }

private:
    [[nodiscard]] std::size_t ThreeByteSlot(std::uint32_t key) const;

    // One- and two-byte keys are looked up directly (index + 1 into
    // m_resolved, 0 for none); three-byte keys only when some three-byte key
    // starts with the same two bytes, which few do.
    std::vector<Entry> m_resolved;
    std::uint32_t m_oneByte[0x100] = {};
    PagedMap m_twoBytes;
    std::vector<std::uint64_t> m_threeByteLeads;  // a bit per first two bytes
    // Open addressing: value << 32 | key, 0 for an empty slot.
    std::vector<std::uint64_t> m_threeBytes;
    std::size_t m_threeMask = 0;
    std::bitset<0x100> m_firstBytes;
    std::uint8_t m_longerKeys[0x100] = {};
};

}  // namespace quorvex::tableindex
