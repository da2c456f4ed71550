#include "search/PointerFinder.h"

#include "job/Messages.h"
#include "search/FinderScans.h"

#include <algorithm>
#include <cstdlib>
#include <tuple>

namespace quorvex {

using finder::Clues;
using finder::Finder;
using finder::Layout;
using finder::ReadClues;

namespace {

constexpr AddressMapKind kMaps[] = {AddressMapKind::LoRom, AddressMapKind::HiRom, AddressMapKind::ExHiRom,
                                    AddressMapKind::GameBoy, AddressMapKind::Nes};

// A table that a constant X000 Offset reads whole needs no map.
void DropNeedlessMaps(std::vector<PointerCandidate>& candidates) {
    const auto sameTable = [](const PointerCandidate& a, const PointerCandidate& b) {
        return a.type == b.type && a.tableStart == b.tableStart && a.tableEnd == b.tableEnd &&
               a.entryCount == b.entryCount;
    };
    std::erase_if(candidates, [&](const PointerCandidate& c) {
        return c.map != AddressMapKind::None && std::any_of(candidates.begin(), candidates.end(), [&](const PointerCandidate& o) {
                   return o.map == AddressMapKind::None && sameTable(o, c);
               });
    });
}

std::vector<std::int64_t> DistinctOffsets(const std::vector<std::int64_t>& offsets) {
    std::vector<std::int64_t> distinct;
    for (const std::int64_t offset : offsets)
        if (std::find(distinct.begin(), distinct.end(), offset) == distinct.end()) distinct.push_back(offset);
    return distinct;
}

// Offsets inside their strings (after a speaker's name or control codes) moved to where each string starts.
std::vector<std::int64_t> StringStarts(std::span<const std::uint8_t> rom, const PointerSearchRequest& request) {
    std::vector<std::int64_t> starts = request.textOffsets;
    if (!request.endByte) return starts;
    for (std::int64_t& offset : starts)
        while (offset > 0 && rom[static_cast<std::size_t>(offset - 1)] != *request.endByte) --offset;
    return starts;
}

std::vector<PointerCandidate> Search(std::span<const std::uint8_t> rom, const Clues& clues,
                                     const PointerSearchRequest& request) {
    Finder finder(rom, clues);
    if (request.map && *request.map != AddressMapKind::None) {
        for (const Layout& layout : finder::StridedLayouts()) finder.SearchThroughMap(layout, *request.map);
        return finder.TakeCandidates();
    }
    for (const Layout& layout : finder::StridedLayouts()) {
        if (request.xOffset)
            finder.SearchWithOffset(layout, *request.xOffset);
        else
            finder.SearchPairs(layout);
    }
    if (request.xOffset)
        finder.SearchVariation1(*request.xOffset);
    else
        finder.SearchVariation1AtBanks();
    if (!request.xOffset && !request.map)
        for (const AddressMapKind kind : kMaps)
            for (const Layout& layout : finder::StridedLayouts()) finder.SearchThroughMap(layout, kind);
    return finder.TakeCandidates();
}

}  // namespace

std::optional<std::u16string_view> CheckPointerSearch(std::span<const std::uint8_t> rom,
                                                      const PointerSearchRequest& request) {
    const std::vector<std::int64_t> distinct = DistinctOffsets(request.textOffsets);
    const bool mapped = request.map && *request.map != AddressMapKind::None;
    if (distinct.empty() || (distinct.size() < 2 && !request.xOffset && !mapped))
        return messages::kPointerSearchNeedsOffsets;
    const auto limit = static_cast<std::int64_t>(std::min<std::size_t>(rom.size(), INT32_MAX));
    if (std::any_of(distinct.begin(), distinct.end(), [&](std::int64_t o) { return o < 0 || o >= limit; }))
        return messages::kTextOffsetOutsideRom;
    return std::nullopt;
}

std::vector<PointerCandidate> FindPointerTables(std::span<const std::uint8_t> rom,
                                                const PointerSearchRequest& request) {
    if (CheckPointerSearch(rom, request)) return {};
    const std::vector<std::int64_t> given = DistinctOffsets(StringStarts(rom, request));
    if (given.size() < 2 && !request.xOffset) return {};  // two offsets inside one string
    const Clues clues = ReadClues(rom, given, true);
    std::vector<PointerCandidate> candidates = Search(rom, clues, request);
    // An end byte seen before one string only may be chance: the game may
    // have none. Seen before two it is not. And without an end byte only a
    // given X000 Offset keeps the search from fitting any sorted table to the
    // strings at some offset.
    if (candidates.empty() && clues.endByteSamples < 2 && request.xOffset)
        candidates = Search(rom, ReadClues(rom, given, false), request);
    // Among tables of one size, the smaller X000 Offset first: a 4-byte table
    // read one byte off, in the other byte order, moves a pointer byte into the
    // top of the value and needs a huge offset to point back at the text.
    DropNeedlessMaps(candidates);
    const auto order = [](const PointerCandidate& c) {
        return std::make_tuple(-c.entryCount, c.map, std::abs(static_cast<std::int64_t>(c.xOffset)),
                               finder::RankOf(c.type), c.tableStart, c.xOffset, c.tableEnd);
    };
    std::sort(candidates.begin(), candidates.end(),
              [&](const PointerCandidate& a, const PointerCandidate& b) { return order(a) < order(b); });
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    if (candidates.size() > request.maxCandidates) candidates.resize(request.maxCandidates);
    return candidates;
}

}  // namespace quorvex