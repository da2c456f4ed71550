#pragma once
// The ROM as the pointer finder sees it (which positions start a string, the
// band targets must lie in) and the runs of entries grown, settled and taken
// as candidates on it. The scans that find where to grow are in FinderScans.
#include "pointers/AddressMap.h"
#include "search/FinderRules.h"
#include "search/PointerFinder.h"

#include <map>
#include <tuple>

namespace quorvex::finder {

class RunFinder {
public:
    RunFinder(std::span<const std::uint8_t> rom, const Clues& clues);

    [[nodiscard]] std::vector<PointerCandidate> TakeCandidates() { return std::move(m_candidates); }

protected:
    // Layout rank, map, X000 Offset, Variation1's half size, stride phase.
    using RunKey = std::tuple<int, AddressMapKind, std::int32_t, std::int64_t, std::int64_t>;

    // How an entry holding raw fits a table under the offset; address
    // receives where it points.
    [[nodiscard]] Fit Classify(std::uint32_t raw, std::uint32_t allOnes, std::int32_t xOffset,
                               std::int64_t& address) const {
        if (raw == 0 || raw == allOnes) return Fit::No;
        address = m_map ? m_map->ToOffset(raw) : static_cast<std::int32_t>(raw + static_cast<std::uint32_t>(xOffset));
        if (address < m_low || address > m_high) return Fit::No;
        if (!m_clues.endByte) return Fit::Anchored;
        return StartsString(address) || (m_map && m_map->StartsBank(address)) ? Fit::Anchored : Fit::Unanchored;
    }

    // The entry of a strided layout at a position, as Classify sees it.
    [[nodiscard]] auto StridedEntry(const Layout& layout, std::int32_t xOffset) const {
        return [this, &layout, xOffset](std::int64_t pos, std::int64_t& address) {
            if (pos < 0 || pos + layout.width > m_size) return Fit::No;
            return Classify(ReadValue(m_data + pos, layout), AllOnes(layout.width), xOffset, address);
        };
    }

    [[nodiscard]] bool StartsString(std::int64_t address) const {
        return m_startsString[static_cast<std::size_t>(address) >> 6] >> (address & 63) & 1;
    }

    // Whether an entry pointing at the address could belong to a table: 1
    // inside the band when it starts a string (or there is no end byte to
    // tell), 0 otherwise. Without branches, since over data the answer is a
    // coin toss.
    [[nodiscard]] std::uint64_t StartsStringBit(std::int64_t address) const {
        const bool inside = static_cast<std::uint64_t>(address - m_low) <= static_cast<std::uint64_t>(m_high - m_low);
        const std::int64_t at = inside ? address : m_low;
        const std::uint64_t bit = m_clues.endByte ? m_startsString[static_cast<std::size_t>(at) >> 6] >> (at & 63) : 1;
        return bit & std::uint64_t{inside};
    }

    // The raw value of a blank entry (0 or all ones: "no text here"), which a
    // strided run may cross.
    [[nodiscard]] auto StridedBlank(const Layout& layout) const {
        return [this, &layout](std::int64_t pos) -> std::optional<std::uint32_t> {
            if (pos < 0 || pos + layout.width > m_size) return std::nullopt;
            const std::uint32_t raw = ReadValue(m_data + pos, layout);
            if (raw == 0 || raw == AllOnes(layout.width)) return raw;
            return std::nullopt;
        };
    }

    // The run of a strided layout through the entry at seed, as a candidate
    // when it stands.
    void GrowStrided(const Layout& layout, std::int64_t seed, std::int32_t xOffset);
    // The Variation1 tables whose halves lie `half` apart, through the low byte at low.
    void TryVariation1(std::int64_t low, std::int64_t half, std::int32_t xOffset);

    const std::uint8_t* m_data;
    std::int64_t m_size;
    const Clues& m_clues;
    std::int64_t m_low;  // the lowest and highest target an entry may have: the band, within the ROM
    std::int64_t m_high;
    // The map entries are read through, while a search through one runs; none: the X000 Offset.
    const AddressMap* m_map = nullptr;

private:
    template <typename EntryAt, typename BlankAt, typename Take>
    void Settle(const RunKey& key, std::int64_t seed, std::int64_t stride, std::int64_t lowPos, std::int64_t highPos,
                const EntryAt& entryAt, const BlankAt& blankAt, const Take& take);
    [[nodiscard]] std::pair<bool, bool> OutlyingEnds(std::span<const Target> run) const;
    template <typename EntryAt, typename BlankAt>
    std::vector<Target> Grow(std::int64_t seed, std::int64_t stride, std::int64_t lowPos, std::int64_t highPos,
                             std::span<const std::int64_t> refusedFirst, const EntryAt& entryAt,
                             const BlankAt& blankAt, std::vector<std::int64_t>& stops) const;
    [[nodiscard]] std::optional<std::int64_t> ChosenFirstString(std::span<const Target> run) const;
    [[nodiscard]] bool Acceptable(std::span<const Target> table, int valueWidth) const;
    [[nodiscard]] std::optional<std::int64_t> FirstEndByte(std::int64_t from) const;
    void Add(TableType type, std::int64_t tableStart, std::int64_t tableEnd, std::int32_t xOffset,
             std::span<const Target> table, std::int64_t entries, std::optional<std::uint32_t> blank);
    [[nodiscard]] bool Remembered(const RunKey& key, std::int64_t pos) const;
    void Remember(const RunKey& key, const std::vector<Target>& run);

    std::vector<PointerCandidate> m_candidates;
    // Runs already grown, so that every entry of a long run does not grow it again.
    std::map<RunKey, std::map<std::int64_t, std::int64_t>> m_runs;  // first entry -> last entry
    std::vector<std::uint64_t> m_startsString;
};

}  // namespace quorvex::finder
