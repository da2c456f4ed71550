#include "chartable/DirectBytes.h"

namespace quorvex::tableindex {
namespace {

DirectBytes::Entry Found(const ByteIndex::Entry& entry) {
    DirectBytes::Entry found;
    found.kind = DirectBytes::Entry::Kind::Found;
    found.parameters = static_cast<std::uint8_t>(entry.parameters);
    found.start = static_cast<std::uint32_t>(entry.start);
    found.length = static_cast<std::uint32_t>(entry.length);
    return found;
}

}  // namespace

void DirectBytes::Build(const ByteIndex& index) {
    m_entries.assign(0x100, Entry{});
    for (std::uint32_t first = 0; first < 0x100; ++first) {
        if (const auto* found = index.Find(1, first)) m_entries[first] = Found(*found);
        if (index.LongerKeys(static_cast<std::uint8_t>(first)) == 0) continue;
        const auto page = static_cast<std::uint16_t>(m_entries.size() / 0x100);
        m_entries[first].page = page;
        m_entries.resize(m_entries.size() + 0x100);
        for (std::uint32_t second = 0; second < 0x100; ++second) {
            const std::uint32_t two = first << 8 | second;
            Entry& entry = m_entries[static_cast<std::size_t>(page) * 0x100 + second];
            if (index.StartsThreeByteKey(two)) entry.kind = Entry::Kind::Deeper;
            else if (const auto* found = index.Find(2, two)) entry = Found(*found);
        }
    }
}

}  // namespace quorvex::tableindex
