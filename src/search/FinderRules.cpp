#include "search/FinderRules.h"

#include "pointers/PointerLayout.h"

#include <algorithm>

namespace quorvex::finder {
namespace {

constexpr std::int64_t kWideMargin = 0x10000;
constexpr std::int64_t kNarrowMargin = 0x800;
// Without an end byte a table is taken to list its strings in order, each
// at most this far after the one before.
constexpr std::int64_t kMaxStringLength = 0x800;

}  // namespace

// A random 2-byte value lands on a plausible string start often (about 1 in
// 20 when the text fills half the 64 KiB window) and every pair of values at
// the right distance starts a run, so 2-byte layouts need more of them; and
// without an end byte only the band judges an entry.
std::ptrdiff_t EvidenceNeeded(int valueWidth, bool endByteKnown) {
    if (valueWidth == 2) return endByteKnown ? 3 : 6;
    return endByteKnown ? 1 : 2;
}

const std::array<Layout, 4>& StridedLayouts() {
    static const std::array<Layout, 4> layouts = [] {
        std::array<Layout, 4> all{};
        const TableType types[] = {TableType::Regular2, TableType::Regular3, TableType::Regular4,
                                   TableType::Variation4};
        for (std::size_t i = 0; i < all.size(); ++i) {
            const PointerLayout layout = *LayoutOf(types[i], JobSettings{});
            all[i] = {types[i], layout.width, layout.bigEndian};
        }
        return all;
    }();
    return layouts;
}

int RankOf(TableType type) {
    for (int i = 0; i < 4; ++i)
        if (StridedLayouts()[static_cast<std::size_t>(i)].type == type) return i;
    return kVariation1Rank;
}

Clues ReadClues(std::span<const std::uint8_t> rom, std::vector<std::int64_t> given, bool useEndByte) {
    Clues clues;
    clues.given = std::move(given);
    clues.lowest = *std::min_element(clues.given.begin(), clues.given.end());
    clues.highest = *std::max_element(clues.given.begin(), clues.given.end());
    if (useEndByte && clues.highest >= 1) {
        const std::uint8_t endByte = rom[static_cast<std::size_t>(clues.highest - 1)];
        const bool agree = std::all_of(clues.given.begin(), clues.given.end(), [&](std::int64_t offset) {
            return offset == clues.lowest || rom[static_cast<std::size_t>(offset - 1)] == endByte;
        });
        if (agree) {
            clues.endByte = endByte;
            clues.endByteSamples = static_cast<int>(clues.given.size());
            if (clues.lowest == 0 || rom[static_cast<std::size_t>(clues.lowest - 1)] != endByte) {
                clues.givenFirstString = clues.lowest;
                --clues.endByteSamples;
            }
        }
    }
    const std::int64_t span = clues.highest - clues.lowest;
    const std::int64_t margin = clues.endByte ? std::max(kWideMargin, 4 * span) : std::max(kNarrowMargin, span);
    clues.bandLow = clues.lowest - margin;
    clues.bandHigh = clues.highest + margin;
    return clues;
}

bool InOrder(std::int64_t previous, std::int64_t address, bool upward) {
    return upward ? previous <= address && address - previous <= kMaxStringLength
                  : address <= previous && previous - address <= kMaxStringLength;
}

bool Growth::Accept(Fit fit, std::int64_t address, std::optional<std::int64_t> previous, bool upward) {
    if (fit == Fit::No) return false;
    if (!m_clues.endByte) return !previous || InOrder(*previous, address, upward);
    if (fit == Fit::Anchored) {
        if (m_firstString && address < *m_firstString) return false;
        m_lowestAnchored = std::min(m_lowestAnchored, address);
        return true;
    }
    if (m_firstString) return address == *m_firstString;
    if (address >= m_clues.lowest || address >= m_lowestAnchored ||
        std::find(m_refusedFirst.begin(), m_refusedFirst.end(), address) != m_refusedFirst.end())
        return false;
    m_firstString = address;
    return true;
}

}  // namespace quorvex::finder
