#pragma once
// The places the BPS writer's target copies copy from. A target copy's
// offset counts from where the previous one ended, so what a place costs
// depends on the place before it: the places are chosen together, as the
// cheapest path through the places that hold each copy's bytes.
#include "patch/BpsIndexes.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace quorvex::bps {

class CopyPaths {
public:
    CopyPaths();

    // The bytes of the offset of a copy from `from` after the cheapest path
    // so far. The other paths could make it cheaper, but weighing every
    // candidate against them all costs more time than it saves bytes.
    [[nodiscard]] std::uint32_t OffsetCost(std::size_t from) const;

    // Where the copy that ends the cheapest path so far ends; 0 before the first.
    [[nodiscard]] std::size_t CheapestEnd() const { return m_ends[0]; }

    // The next copy: length bytes written at `at`, which seen (at least one
    // place before `at`) and the target before `at` hold. Index holds no
    // position past the search's, and every position before `at`.
    void Add(std::size_t at, std::size_t length, std::span<const std::uint32_t> seen, const TargetIndex& index,
             std::span<const std::uint8_t> target);

    // Each copy's place on the cheapest path, in the order they were added.
    [[nodiscard]] std::vector<std::uint32_t> Places() const;

private:
    static constexpr std::size_t kPaths = 8;

    // A copy's place on a path, and the step before it in m_steps.
    struct Step {
        std::uint32_t from, before;
    };
    struct Candidate {
        std::uint32_t cost, from, end, after;  // after: the path it extends
    };

    void LookAround(std::size_t at, std::size_t length, const TargetIndex& index, std::span<const std::uint8_t> target);
    void Offer(std::uint32_t from);
    void Extend(std::size_t length);
    void Keep();

    // The paths that end with the last copy, cheapest first: where each
    // ends, its offset bytes and its last step.
    std::array<std::uint32_t, kPaths> m_ends{}, m_costs{}, m_lastSteps{};
    std::size_t m_count = 1;
    std::vector<Step> m_steps;
    std::vector<std::uint32_t> m_places;
    std::vector<Candidate> m_candidates;
};

}  // namespace quorvex::bps
