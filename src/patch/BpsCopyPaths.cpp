#include "patch/BpsCopyPaths.h"

#include <algorithm>
#include <cstring>

namespace quorvex::bps {
namespace {

// Only paths that cost at most one byte more than the cheapest are followed:
// from the cheapest, an offset of up to 1 MiB takes three bytes, so a path
// two bytes dearer can at best tie with it there.
constexpr std::uint32_t kSlack = 1;
// Around each path's end, the nearest place each way among this many of the
// group, and none farther than a two-byte offset reaches: past it, every
// place costs the same and those the search saw do.
constexpr std::ptrdiff_t kScan = 8;
constexpr std::uint32_t kTwoByteReach = 8255;

constexpr std::uint32_t kNoPath = 0xFFFFFFFF;

// The bytes of a target copy's offset, as NumberSize(SignedOffset(delta))
// counts them, without a loop: this is worked out for every place of every path.
std::uint32_t OffsetSize(std::int64_t delta) {
    const std::uint64_t distance = delta < 0 ? static_cast<std::uint64_t>(-delta) : static_cast<std::uint64_t>(delta);
    return 1 + (distance > 63) + (distance > kTwoByteReach) + (distance > 1056831) + (distance > 135274559);
}

}  // namespace

CopyPaths::CopyPaths() {
    m_lastSteps[0] = kNoPath;
}

std::uint32_t CopyPaths::OffsetCost(std::size_t from) const {
    return OffsetSize(static_cast<std::int64_t>(from) - m_ends[0]);
}

void CopyPaths::Add(std::size_t at, std::size_t length, std::span<const std::uint32_t> seen, const TargetIndex& index,
                    std::span<const std::uint8_t> target) {
    m_places.clear();
    for (const std::uint32_t from : seen) Offer(from);
    if (length >= TargetIndex::kKey) LookAround(at, length, index, target);
    Extend(length);
    Keep();
}

// The places nearest to where each of the cheapest paths ends that hold the copy's bytes.
void CopyPaths::LookAround(std::size_t at, std::size_t length, const TargetIndex& index,
                           std::span<const std::uint8_t> target) {
    const std::span<const TargetIndex::Entry> group = index.Group(at);
    const std::uint32_t key = index.Key(at);
    const auto holds = [&](const TargetIndex::Entry& entry) {
        return entry.key == key && std::memcmp(&target[entry.position], &target[at], length) == 0;
    };
    for (std::size_t k = 0; k < m_count && m_costs[k] == m_costs[0]; ++k) {
        // Every path ends before `at`: the places before its end are written.
        const std::uint32_t end = m_ends[k];
        const std::uint32_t high = std::min(static_cast<std::uint32_t>(at), end + kTwoByteReach);
        const std::uint32_t low = end > kTwoByteReach ? end - kTwoByteReach : 0;
        const auto near = FirstFrom(group, end);
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
    m_candidates.clear();
    for (const std::uint32_t from : m_places) {
        Candidate next{UINT32_MAX, from, static_cast<std::uint32_t>(from + length), 0};
        for (std::size_t k = 0; k < m_count; ++k) {
            const std::uint32_t cost = m_costs[k] + OffsetSize(static_cast<std::int64_t>(from) - m_ends[k]);
            if (cost < next.cost) {
                next.cost = cost;
                next.after = static_cast<std::uint32_t>(k);
            }
        }
        m_candidates.push_back(next);
    }
}

void CopyPaths::Keep() {
    std::uint32_t cheapest = UINT32_MAX;
    for (const Candidate& next : m_candidates) cheapest = std::min(cheapest, next.cost);
    // Cheapest first, equals in the order their places were offered: the
    // same images always give the same patch.
    std::array<std::uint32_t, kPaths> steps{};
    std::size_t count = 0;
    for (std::uint32_t cost = cheapest; cost <= cheapest + kSlack; ++cost)
        for (const Candidate& next : m_candidates) {
            if (next.cost != cost || count == kPaths) continue;
            steps[count] = static_cast<std::uint32_t>(m_steps.size());
            m_steps.push_back({next.from, m_lastSteps[next.after]});
            m_ends[count] = next.end;
            m_costs[count] = next.cost;
            ++count;
        }
    m_lastSteps = steps;
    m_count = count;
}

std::vector<std::uint32_t> CopyPaths::Places() const {
    std::vector<std::uint32_t> places;
    for (std::uint32_t step = m_lastSteps[0]; step != kNoPath; step = m_steps[step].before)
        places.push_back(m_steps[step].from);
    std::reverse(places.begin(), places.end());
    return places;
}

}  // namespace quorvex::bps
