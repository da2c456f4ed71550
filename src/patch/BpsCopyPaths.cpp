#include "patch/BpsCopyPaths.h"

#include "patch/BpsFormat.h"

#include <algorithm>
#include <cstring>

namespace quorvex::bps {
namespace {

// Only paths that cost at most one byte more than the cheapest are followed:
// from the cheapest, an offset of up to 1 MiB takes three bytes, so a path
// two bytes dearer can at best tie with it there.
constexpr std::uint64_t kSlack = 1;
constexpr std::size_t kPaths = 8;
constexpr std::uint64_t kLookSlack = 0;
// Around each path's end, the nearest place each way among this many of the
// group, and none farther than a two-byte offset reaches: past it, every
// place costs the same and those the search saw do.
constexpr std::ptrdiff_t kScan = 8;
constexpr std::uint32_t kTwoByteReach = 8255;
constexpr std::uint32_t kThreeByteReach = 1056831;

constexpr std::uint32_t kNoPath = 0xFFFFFFFF;

std::uint64_t OffsetSize(std::int64_t delta) {
    const std::uint64_t distance = delta < 0 ? static_cast<std::uint64_t>(-delta) : static_cast<std::uint64_t>(delta);
    if (distance <= 63) return 1;
    if (distance <= kTwoByteReach) return 2;
    if (distance <= kThreeByteReach) return 3;
    return NumberSize(SignedOffset(delta));
}

// The first entry at or after position in a group of ascending positions.
// Positions spread through the target evenly enough that a guess from the
// first and the last lands a few entries away; a binary search of a frequent
// word's large group would wait for the memory at every step.
std::span<const TargetIndex::Entry>::iterator Nearest(std::span<const TargetIndex::Entry> group,
                                                      std::uint32_t position) {
    auto low = group.begin(), high = group.end();
    while (high - low > 8) {
        const std::uint32_t first = low->position, last = (high - 1)->position;
        if (position <= first) return low;
        if (position > last) return high;
        const auto count = static_cast<std::uint64_t>(high - low);
        auto guess = low + static_cast<std::ptrdiff_t>((position - first) * count / (last - first + 1));
        std::ptrdiff_t step = 1;  // doubled until the answer is bracketed
        if (guess->position < position) {
            while (high - guess > step && (guess + step)->position < position) guess += step, step *= 2;
            low = guess + 1;
            high = std::min(high, guess + step + 1);
        } else {
            while (guess - low > step && (guess - step)->position >= position) guess -= step, step *= 2;
            high = guess + 1;
            low = std::max(low, guess - step);
        }
    }
    return std::lower_bound(low, high, position);
}

}  // namespace

CopyPaths::CopyPaths() : m_paths{{0, 0, 0, kNoPath}} {}

std::uint64_t CopyPaths::OffsetCost(std::size_t from) const {
    // The paths are cheapest first: once one costs as much more as the best
    // offset so far, no later one does better.
    const std::uint64_t cheapest = m_paths[m_first].cost;
    std::uint64_t least = UINT64_MAX;
    for (std::size_t k = m_first; k < m_paths.size() && m_paths[k].cost - cheapest + 1 < least; ++k)
        least = std::min(least, m_paths[k].cost - cheapest + OffsetSize(static_cast<std::int64_t>(from) - m_paths[k].end));
    return least;
}

void CopyPaths::Add(std::size_t at, std::size_t length, std::span<const std::uint32_t> seen, const TargetIndex& index,
                    std::span<const std::uint8_t> target) {
    m_places.clear();
    for (const std::uint32_t from : seen) Offer(from);
    if (length >= TargetIndex::kKey) LookAround(at, length, index, target);
    const std::size_t begin = m_paths.size();
    Extend(length);
    Prune(begin);
    m_first = begin;
}

// The places nearest to where each path ends that hold the copy's bytes.
void CopyPaths::LookAround(std::size_t at, std::size_t length, const TargetIndex& index,
                           std::span<const std::uint8_t> target) {
    const std::span<const TargetIndex::Entry> group = index.Group(at);
    const std::uint32_t key = index.Key(at);
    const auto holds = [&](const TargetIndex::Entry& entry) {
        return entry.key == key && std::memcmp(&target[entry.position], &target[at], length) == 0;
    };
    const std::uint64_t dearest = m_paths[m_first].cost + kLookSlack;
    for (std::size_t k = m_first; k < m_paths.size() && m_paths[k].cost <= dearest; ++k) {
        // Every path ends before `at`: the places before its end are written.
        const std::uint32_t end = m_paths[k].end;
        const std::uint32_t high = std::min(static_cast<std::uint32_t>(at), end + kTwoByteReach);
        const std::uint32_t low = end > kTwoByteReach ? end - kTwoByteReach : 0;
        const auto near = Nearest(group, end);
        for (auto it = near; it != group.end() && it - near < kScan && it->position < high; ++it)
            if (holds(*it)) {
                Offer(it->position);
                break;
            }
        for (auto it = near; it != group.begin() && near - it < kScan && (it - 1)->position >= low;)
            if (holds(*--it)) {
                Offer(it->position);
                break;
            }
    }
}

void CopyPaths::Offer(std::uint32_t from) {
    if (std::find(m_places.begin(), m_places.end(), from) == m_places.end()) m_places.push_back(from);
}

// Each place, after the path that makes it cheapest.
void CopyPaths::Extend(std::size_t length) {
    const std::size_t first = m_first, last = m_paths.size();
    for (const std::uint32_t from : m_places) {
        Path next{UINT32_MAX, from, static_cast<std::uint32_t>(from + length), kNoPath};
        for (std::size_t k = first; k < last && m_paths[k].cost + 1 < next.cost; ++k) {
            const auto cost = static_cast<std::uint32_t>(
                m_paths[k].cost + OffsetSize(static_cast<std::int64_t>(from) - m_paths[k].end));
            if (cost < next.cost) {
                next.cost = cost;
                next.came = static_cast<std::uint32_t>(k);
            }
        }
        m_paths.push_back(next);
    }
}

void CopyPaths::Prune(std::size_t begin) {
    const auto paths = m_paths.begin() + static_cast<std::ptrdiff_t>(begin);
    // Cheapest first; among equals the nearest place, so that the same
    // images always give the same patch.
    std::sort(paths, m_paths.end(), [](const Path& a, const Path& b) {
        return a.cost != b.cost ? a.cost < b.cost : a.from > b.from;
    });
    const std::uint64_t dearest = paths->cost + kSlack;
    auto keep = paths;
    while (keep != m_paths.end() && keep - paths < static_cast<std::ptrdiff_t>(kPaths) && keep->cost <= dearest) ++keep;
    m_paths.erase(keep, m_paths.end());
}

std::vector<std::uint32_t> CopyPaths::Places() const {
    std::vector<std::uint32_t> places;
    for (std::uint32_t k = static_cast<std::uint32_t>(m_first); k != kNoPath && m_paths[k].came != kNoPath; k = m_paths[k].came)
        places.push_back(m_paths[k].from);
    std::reverse(places.begin(), places.end());
    return places;
}

}  // namespace quorvex::bps
