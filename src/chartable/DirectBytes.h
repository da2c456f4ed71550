#pragma once
// The byte lookup's answers for one- and two-byte keys in arrays, read with
// no hashing: a page of 256 entries for the first byte, and one more for each
// first byte that starts a longer key. Three-byte keys are left to ByteIndex.
#include "chartable/ByteIndex.h"

#include <cstdint>
#include <vector>

namespace quorvex::tableindex {

class DirectBytes {
public:
    struct Entry {
        enum class Kind : std::uint8_t {
            None,    // no key of this length: a shorter one decides
            Found,   // the entry below
            Deeper,  // some three-byte key starts with these two bytes: ByteIndex decides
        };
        Kind kind = Kind::None;
        std::uint8_t parameters = 0;
        std::uint16_t page = 0;   // first bytes: the page of second bytes, 0 when no longer key starts with it
        std::uint32_t start = 0;  // the entry's text in the table text
        std::uint32_t length = 0;
    };

    DirectBytes() : m_entries(0x100) {}
    // Reads every answer out of the index (built over a text of at most
    // UINT32_MAX characters, so that every text position fits).
    void Build(const ByteIndex& index);

    [[nodiscard]] const Entry& First(std::uint8_t byte) const { return m_entries[byte]; }
    [[nodiscard]] const Entry& Second(const Entry& first, std::uint8_t byte) const {
        return m_entries[static_cast<std::size_t>(first.page) * 0x100 + byte];
    }

private:
    std::vector<Entry> m_entries;  // page 0 for first bytes, then one page per first byte of a longer key
};

}  // namespace quorvex::tableindex
