#pragma once
// An image and its translation as a patch sees them: random bytes around a
// pointer table and a text area of words; the translation rewrites every
// string with other words of other lengths and every pointer with it.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace quorvex::test {

struct TranslationPairOptions {
    std::size_t imageBytes = 4u << 20;
    std::size_t textBytes = 1u << 20;  // the text area; both texts fill it
    std::size_t pointers = 8192;       // 2-byte pointers, one a string
    std::uint32_t seed = 1;
};

struct TranslationPair {
    std::vector<std::uint8_t> original;
    std::vector<std::uint8_t> translated;
};

// The same options always give the same bytes.
[[nodiscard]] TranslationPair MakeTranslationPair(const TranslationPairOptions& options);

}  // namespace quorvex::test
