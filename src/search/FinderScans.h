#pragma once
// The scans of the pointer finder: where in the ROM a table may lie, found
// from entries pointing at the given strings, each handed to RunFinder to grow.
#include "search/FinderRuns.h"

namespace quorvex::finder {

class Finder : public RunFinder {
public:
    using RunFinder::RunFinder;

    // The runs through every entry that points at the first given string
    // with this offset.
    void SearchWithOffset(const Layout& layout, std::int32_t xOffset);
    // Pairs of entries pointing at the first two given strings, each giving an
    // offset, and the runs around them.
    void SearchPairs(const Layout& layout);
    // The Variation1 tables under this offset.
    void SearchVariation1(std::int32_t xOffset);
    // Every X000 Offset that the bank layouts give for the given strings.
    void SearchVariation1AtBanks();
    // The runs through every entry that points at the first given string
    // through the map, the bank of narrow pointers being the lowest string's.
    void SearchThroughMap(const Layout& layout, AddressMapKind kind);

private:
    struct Seen {
        std::int32_t pos = 0;  // position + 1; 0 for none
        std::uint32_t value = 0;
    };

    [[nodiscard]] static std::optional<std::uint32_t> PointerValue(int width, std::int32_t xOffset,
                                                                   std::int64_t offset);
    [[nodiscard]] bool AllFit(int width, std::int32_t xOffset) const;
    // Grows the runs through the entries holding pointer next to an entry that fits.
    void SeedFrom(const Layout& layout, std::uint32_t pointer, std::int32_t xOffset);
    template <typename EntryAt>
    [[nodiscard]] bool Supported(const EntryAt& entryAt, std::int64_t pos, std::int64_t step, std::int64_t from,
                                 std::int64_t partner) const;
    template <int Width, bool BigEndian>
    void ScanPairs(const Layout& layout);
    [[nodiscard]] std::optional<std::int32_t> OffsetFor(int width, std::uint32_t value, std::int64_t target) const;
    void TryPair(const Layout& layout, std::int64_t q, std::int64_t p, std::uint32_t value, std::int64_t targetOfQ,
                 std::int64_t targetOfP);
    const std::vector<std::int32_t>& Positions(std::uint8_t byte);

    std::array<std::vector<std::int32_t>, 256> m_positions;
    std::array<bool, 256> m_positionsKnown{};
};

}  // namespace quorvex::finder
