#pragma once
// The arithmetic the table indexes share: polynomial hashes of texts and the
// mixing that places them in power-of-two tables.
#include <cstddef>
#include <cstdint>

namespace quorvex::tableindex {

// Polynomial hashing modulo the Mersenne prime 2^61 - 1: H(s) = sum (s[k] + 1) * B^k.
// A hash only proposes candidates; every candidate is confirmed character by
// character, so a collision can cost time but never change a result.
inline constexpr std::uint64_t kModulus = (std::uint64_t{1} << 61) - 1;
inline constexpr std::uint64_t kBase = 0x1F3D5B79A2C4E687ULL % kModulus;

[[nodiscard]] inline std::uint64_t MulMod(std::uint64_t a, std::uint64_t b) {
    __extension__ typedef unsigned __int128 Wide;
    const Wide product = static_cast<Wide>(a) * b;
    std::uint64_t folded = static_cast<std::uint64_t>(product & kModulus) + static_cast<std::uint64_t>(product >> 61);
    if (folded >= kModulus) folded -= kModulus;
    return folded;
}

[[nodiscard]] inline std::uint64_t AddMod(std::uint64_t a, std::uint64_t b) {
    std::uint64_t sum = a + b;
    if (sum >= kModulus) sum -= kModulus;
    return sum;
}

[[nodiscard]] inline std::uint64_t CharWeight(char16_t c) {
    return static_cast<std::uint64_t>(c) + 1;
}

// Spreads a (hash, length) pair over a power-of-two table. The hash of a
// one-character text is that character plus one, so without mixing a block
// of consecutive characters (a kanji table) fills one long run of slots that
// every unlucky probe has to walk.
[[nodiscard]] inline std::size_t Spread(std::uint64_t hash, std::size_t length) {
    std::uint64_t z = hash ^ (static_cast<std::uint64_t>(length) * 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return static_cast<std::size_t>(z ^ (z >> 31));
}

}  // namespace quorvex::tableindex
