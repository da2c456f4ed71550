#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace quorvex::tableindex {

// A map from 16-bit keys to 32-bit values (0 for none) in pages of 256, so
// that a table using a few blocks of characters or lead bytes keeps its
// lookups in a few kilobytes of cache instead of a quarter megabyte.
class PagedMap {
public:
    PagedMap() : m_values(kPage, 0) {}
    [[nodiscard]] std::uint32_t Get(std::uint32_t key) const {
        return m_values[m_pages[(key >> 8) & 0xFF] * kPage + (key & 0xFF)];
    }
    // The value's place; valid until the next call.
    std::uint32_t& At(std::uint32_t key) {
        std::uint32_t& page = m_pages[(key >> 8) & 0xFF];
        if (page == 0) {
            page = static_cast<std::uint32_t>(m_values.size() / kPage);
            m_values.resize(m_values.size() + kPage, 0);
        }
        return m_values[page * kPage + (key & 0xFF)];
    }

private:
    static constexpr std::size_t kPage = 0x100;
    std::uint32_t m_pages[0x100] = {};  // 0: the shared empty page
    std::vector<std::uint32_t> m_values;
};

}  // namespace quorvex::tableindex
