#pragma once
// The places the BPS writer's target copies copy from. A target copy's
// offset counts from where the previous one ended, so what a place costs
// depends on the place before it: the places are chosen together, as the
// cheapest path through the places that hold each copy's bytes.
#include "patch/BpsIndexes.h"

#include <cstdint>
#include <span>
#include <vector>

namespace quorvex::bps {

class CopyPaths {
public:
    CopyPaths();

    // The bytes the offset of a copy from `from` adds to the cheapest path
    // so far, at the least.
    [[nodiscard]] std::uint64_t OffsetCost(std::size_t from) const;

    // Where the copy that ends the cheapest path so far ends; 0 before the first.
    [[nodiscard]] std::size_t CheapestEnd() const { return m_paths[m_first].end; }

    // The next copy: length bytes written at `at`, which seen (places before
    // `at`) and the target before `at` hold. Index holds no position past the
    // search's, and every position before `at`.
    void Add(std::size_t at, std::size_t length, std::span<const std::uint32_t> seen, const TargetIndex& index,
             std::span<const std::uint8_t> target);

    // Each copy's place on the cheapest path, in the order they were added.
    [[nodiscard]] std::vector<std::uint32_t> Places() const;

private:
    struct Path {
        std::uint32_t cost;   // offset bytes of the whole path
        std::uint32_t from;   // the last copy's place
        std::uint32_t end;    // where that copy ends
        std::uint32_t came;   // the path it extends, in m_paths
    };

    void LookAround(std::size_t at, std::size_t length, const TargetIndex& index, std::span<const std::uint8_t> target);
    void Offer(std::uint32_t from);
    void Extend(std::size_t length);
    void Prune(std::size_t begin);

    std::vector<Path> m_paths;  // every path followed; each copy's together, cheapest first
    std::size_t m_first = 0;    // the paths that end with the last copy added
    std::vector<std::uint32_t> m_places;
};

}  // namespace quorvex::bps
