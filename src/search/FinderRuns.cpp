#include "search/FinderRuns.h"

#include <algorithm>
#include <cstring>

namespace quorvex::finder {

RunFinder::RunFinder(std::span<const std::uint8_t> rom, const Clues& clues)
    : m_data(rom.data()),
      // Positions are kept in 32 bits, as every job number is.
      m_size(static_cast<std::int64_t>(std::min<std::size_t>(rom.size(), INT32_MAX))),
      m_clues(clues),
      m_low(std::max<std::int64_t>(clues.bandLow, 0)),
      m_high(std::min(clues.bandHigh, m_size - 1)) {
    // Which positions start a string as far as can be told (they follow
    // the end byte, or are the given first string): tested for almost
    // every entry tried, and a bit each stays in cache where the ROM would not.
    m_startsString.resize(static_cast<std::size_t>(m_size / 64 + 1));
    const auto mark = [&](std::int64_t p) {
        m_startsString[static_cast<std::size_t>(p) >> 6] |= std::uint64_t{1} << (p & 63);
    };
    if (m_clues.endByte)
        for (std::int64_t p = 1; p < m_size; ++p)
            if (m_data[p - 1] == *m_clues.endByte) mark(p);
    if (m_clues.givenFirstString) mark(*m_clues.givenFirstString);
}

// Grows the run through seed within [lowPos, highPos] until it stands:
// an outlying end is cut off and the run grown again inside it; a first
// string the table does not bear out is refused and the run grown again.
// `take` is given each standing run and tells whether it made a candidate.
template <typename EntryAt, typename BlankAt, typename Take>
void RunFinder::Settle(const RunKey& key, std::int64_t seed, std::int64_t stride, std::int64_t lowPos,
                       std::int64_t highPos, const EntryAt& entryAt, const BlankAt& blankAt, const Take& take) {
    std::vector<std::int64_t> refused;
    std::vector<std::int64_t> stops;
    std::optional<std::vector<Target>> setAside;
    for (int attempt = 0; attempt < kGrowthAttempts; ++attempt) {
        std::vector<Target> run = Grow(seed, stride, lowPos, highPos, refused, entryAt, blankAt, stops);
        if (attempt == 0) Remember(key, run);
        if (run.empty()) break;
        const auto [cutFront, cutBack] = OutlyingEnds(run);
        if (cutFront || cutBack) {
            if (cutFront) lowPos = run.front().pos + stride;
            if (cutBack) highPos = run.back().pos - stride;
            continue;
        }
        const auto chosen = ChosenFirstString(run);
        // Data just before the block reads as a string that runs into the
        // block's real first string; an entry next to the run pointing
        // inside it suggests so. The run is set aside while the rival is
        // tried, and taken after all when that gives no table.
        const auto end = chosen ? FirstEndByte(*chosen) : std::nullopt;
        const bool rivalInside = chosen && std::any_of(stops.begin(), stops.end(), [&](std::int64_t stop) {
            return stop > *chosen && (!end || stop <= *end);
        });
        if (rivalInside) {
            if (!setAside) setAside = std::move(run);
        } else if (take(run)) {
            return;
        }
        if (!chosen) break;
        refused.push_back(*chosen);
    }
    if (setAside) take(*setAside);
}

// Whether the run's first and last entries point far from every other
// target: text lies in blocks, and an entry of neighbouring data that
// points at a string start by chance mostly points elsewhere. Far is more
// than max(1 KiB, 16 times the median gap between the run's targets).
// Entries pointing at a given string or sharing their target stay.
std::pair<bool, bool> RunFinder::OutlyingEnds(std::span<const Target> run) const {
    std::vector<std::int64_t> addresses;
    for (const Target& t : run) addresses.push_back(t.address);
    std::sort(addresses.begin(), addresses.end());
    addresses.erase(std::unique(addresses.begin(), addresses.end()), addresses.end());
    if (addresses.size() < 3) return {false, false};
    std::vector<std::int64_t> gaps;
    for (std::size_t i = 1; i < addresses.size(); ++i) gaps.push_back(addresses[i] - addresses[i - 1]);
    std::nth_element(gaps.begin(), gaps.begin() + std::ssize(gaps) / 2, gaps.end());
    const std::int64_t far = std::max(kMinOutlierGap, kOutlierFactor * gaps[gaps.size() / 2]);
    const auto outlying = [&](const Target& end) {
        if (std::find(m_clues.given.begin(), m_clues.given.end(), end.address) != m_clues.given.end() ||
            std::count_if(run.begin(), run.end(), [&](const Target& t) { return t.address == end.address; }) > 1)
            return false;
        const auto at = std::lower_bound(addresses.begin(), addresses.end(), end.address);
        std::int64_t nearest = LLONG_MAX;
        if (at != addresses.begin()) nearest = end.address - *std::prev(at);
        if (std::next(at) != addresses.end()) nearest = std::min(nearest, *std::next(at) - end.address);
        return nearest > far;
    };
    return {outlying(run.front()), outlying(run.back())};
}

// The run through seed at the stride, upward first, within [lowPos, highPos].
// Blank entries (all of one value) are crossed when a real entry follows
// within kMaxBlankRun; the run holds the real entries only.
// `stops` receives where the entries that ended it point, when no end
// byte precedes their target.
template <typename EntryAt, typename BlankAt>
std::vector<Target> RunFinder::Grow(std::int64_t seed, std::int64_t stride, std::int64_t lowPos,
                                    std::int64_t highPos, std::span<const std::int64_t> refusedFirst,
                                    const EntryAt& entryAt, const BlankAt& blankAt,
                                    std::vector<std::int64_t>& stops) const {
    Growth growth(m_clues, refusedFirst);
    stops.clear();
    std::vector<Target> up;
    std::vector<Target> down;
    std::int64_t crossed = 0;
    std::optional<std::uint32_t> blankValue;
    const auto take = [&](std::int64_t pos, std::vector<Target>& into, std::optional<std::int64_t> previous,
                          bool upward) {
        std::int64_t address = 0;
        const Fit fit = entryAt(pos, address);
        if (!growth.Accept(fit, address, previous, upward)) {
            if (fit == Fit::Unanchored) stops.push_back(address);
            return false;
        }
        into.push_back({pos, address, fit == Fit::Anchored});
        return true;
    };
    const auto extend = [&](std::vector<Target>& into, std::int64_t step) {
        std::int64_t blanks = 0;
        std::optional<std::uint32_t> value = blankValue;
        for (std::int64_t pos = seed + step; pos >= lowPos && pos <= highPos; pos += step) {
            if (std::ssize(up) + std::ssize(down) + crossed + blanks >= kMaxRunEntries) return;
            const auto blank = blankAt(pos);
            if (blank && blanks < kMaxBlankRun && (!value || *blank == *value)) {
                value = blank;
                ++blanks;
                continue;
            }
            if (!take(pos, into, (into.empty() ? up : into).back().address, step > 0)) return;
            crossed += blanks;
            blanks = 0;
            blankValue = value;
        }
    };
    if (!take(seed, up, std::nullopt, true)) return {};
    extend(up, stride);
    extend(down, -stride);
    std::reverse(down.begin(), down.end());
    down.insert(down.end(), up.begin(), up.end());
    return down;
}

// The block's first string the run took on its own, if any.
std::optional<std::int64_t> RunFinder::ChosenFirstString(std::span<const Target> run) const {
    for (const Target& t : run)
        if (!t.anchored && t.address != m_clues.givenFirstString) return t.address;
    return std::nullopt;
}

// A table must point at every given string and at enough others, must not
// repeat one address too often, and a first string it chose itself must
// end right before another of its targets.
bool RunFinder::Acceptable(std::span<const Target> table, int valueWidth) const {
    const auto holds = [&](std::int64_t address) {
        return std::any_of(table.begin(), table.end(), [&](const Target& t) { return t.address == address; });
    };
    if (!std::all_of(m_clues.given.begin(), m_clues.given.end(), holds)) return false;
    const std::ptrdiff_t elsewhere = std::count_if(table.begin(), table.end(), [&](const Target& t) {
        return std::find(m_clues.given.begin(), m_clues.given.end(), t.address) == m_clues.given.end();
    });
    if (elsewhere < EvidenceNeeded(valueWidth, m_clues.endByte.has_value())) return false;
    // A wider layout read at a narrower stride points every other entry at
    // the one address its high bytes make; no table repeats itself so much.
    std::vector<std::int64_t> addresses;
    for (const Target& t : table) addresses.push_back(t.address);
    std::sort(addresses.begin(), addresses.end());
    std::ptrdiff_t mostShared = 0;
    for (auto run = addresses.begin(); run != addresses.end();) {
        const auto next = std::upper_bound(run, addresses.end(), *run);
        mostShared = std::max(mostShared, next - run);
        run = next;
    }
    if (mostShared > 2 && 3 * mostShared > std::ssize(addresses)) return false;
    if (const auto first = ChosenFirstString(table)) {
        const auto end = FirstEndByte(*first);
        return end && holds(*end + 1);
    }
    return true;
}

std::optional<std::int64_t> RunFinder::FirstEndByte(std::int64_t from) const {
    if (!m_clues.endByte || from >= m_size) return std::nullopt;
    const void* hit = std::memchr(m_data + from, *m_clues.endByte, static_cast<std::size_t>(m_size - from));
    if (hit == nullptr) return std::nullopt;
    return static_cast<const std::uint8_t*>(hit) - m_data;
}

void RunFinder::Add(TableType type, std::int64_t tableStart, std::int64_t tableEnd, std::int32_t xOffset,
                    std::span<const Target> table, std::int64_t entries, std::optional<std::uint32_t> blank) {
    PointerCandidate candidate;
    candidate.type = type;
    candidate.tableStart = static_cast<std::int32_t>(tableStart);
    candidate.tableEnd = static_cast<std::int32_t>(tableEnd);
    candidate.xOffset = xOffset;
    if (m_map) candidate.map = m_map->kind();
    candidate.entryCount = static_cast<std::int32_t>(entries);
    candidate.nullPointer = blank;
    const auto [lowest, highest] = std::minmax_element(
        table.begin(), table.end(), [](const Target& a, const Target& b) { return a.address < b.address; });
    candidate.textStart = static_cast<std::int32_t>(lowest->address);
    candidate.textEnd = static_cast<std::int32_t>(FirstEndByte(highest->address).value_or(highest->address));
    m_candidates.push_back(candidate);
}

bool RunFinder::Remembered(const RunKey& key, std::int64_t pos) const {
    const auto found = m_runs.find(key);
    if (found == m_runs.end()) return false;
    const auto after = found->second.upper_bound(pos);
    return after != found->second.begin() && pos <= std::prev(after)->second;
}

void RunFinder::Remember(const RunKey& key, const std::vector<Target>& run) {
    if (run.size() >= kRememberedRun) m_runs[key].emplace(run.front().pos, run.back().pos);
}

void RunFinder::GrowStrided(const Layout& layout, std::int64_t seed, std::int32_t xOffset) {
    const int width = layout.width;
    const RunKey key{RankOf(layout.type), m_map ? m_map->kind() : AddressMapKind::None, xOffset, 0, seed % width};
    if (Remembered(key, seed)) return;
    const auto blankAt = StridedBlank(layout);
    Settle(key, seed, width, 0, m_size - width, StridedEntry(layout, xOffset), blankAt,
           [&](const std::vector<Target>& run) {
               if (!Acceptable(run, width)) return false;
               // The run crossed blanks of one value only.
               std::optional<std::uint32_t> blank;
               for (std::int64_t pos = run.front().pos; pos < run.back().pos && !blank; pos += width)
                   blank = blankAt(pos);
               Add(layout.type, run.front().pos, run.back().pos + width - 1, xOffset, run,
                   (run.back().pos - run.front().pos) / width + 1, blank);
               return true;
           });
}

void RunFinder::TryVariation1(std::int64_t low, std::int64_t half, std::int32_t xOffset) {
    if (half < 2) return;
    const auto entryAt = [&](std::int64_t pos, std::int64_t& target) {
        if (pos < 0 || pos + half >= m_size) return Fit::No;
        const auto raw = static_cast<std::uint32_t>(m_data[pos] | m_data[pos + half] << 8);
        return Classify(raw, 0xFFFF, xOffset, target);
    };
    // As for the strided layouts: an entry at most two away points at a string start.
    std::uint64_t any = 0;
    for (const std::int64_t at : {low - 2, low - 1, low + 1, low + 2}) {
        if (at < 0 || at + half >= m_size) continue;
        const std::uint32_t raw = m_data[at] | m_data[at + half] << 8;
        any |= (raw != 0 && raw != 0xFFFF) ? StartsStringBit(Wrap32(std::int64_t{raw} + xOffset)) : 0;
    }
    if (any == 0) return;
    const RunKey key{kVariation1Rank, AddressMapKind::None, xOffset, half, 0};
    if (Remembered(key, low)) return;
    // The halves' entries lie side by side, so blanks would break their pairing.
    const auto noBlanks = [](std::int64_t) { return std::optional<std::uint32_t>{}; };
    Settle(key, low, 1, std::max<std::int64_t>(0, low - half + 1), low + half - 1, entryAt, noBlanks,
           [&](const std::vector<Target>& run) {
               // Each half holds `half` entries; a longer run took in a neighbour on one side.
               const std::int64_t first = run.front().pos;
               const std::int64_t lastStart = std::min(low, run.back().pos - half + 1);
               bool found = false;
               for (std::int64_t start = std::max(first, low - half + 1); start <= lastStart; ++start) {
                   const std::span<const Target> table(run.data() + (start - first),
                                                       static_cast<std::size_t>(half));
                   if (!Acceptable(table, 2)) continue;
                   Add(TableType::Variation1, start, start + 2 * half - 1, xOffset, table, half, std::nullopt);
                   found = true;
               }
               return found;
           });
}

}  // namespace quorvex::finder
