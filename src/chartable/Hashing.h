#pragma once
// The mixing that places keys in the table indexes' power-of-two tables.
#include <cstddef>
#include <cstdint>

namespace quorvex::tableindex {

// Spreads a (key, length) pair over a power-of-two table: without mixing, a
// block of consecutive keys would fill one long run of slots that every
// unlucky probe has to walk.
[[nodiscard]] inline std::size_t Spread(std::uint64_t hash, std::size_t length) {
    std::uint64_t z = hash ^ (static_cast<std::uint64_t>(length) * 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return static_cast<std::size_t>(z ^ (z >> 31));
}

}  // namespace quorvex::tableindex
