#include "pointers/PointerTable.h"

#include <cmath>
#include <limits>

namespace quorvex {

namespace {

// Truncation toward zero that stays defined for values no int32 can hold.
std::int32_t TruncateToInt32(float x) {
    if (std::isnan(x)) return 0;
    if (x >= 2147483648.0f) return std::numeric_limits<std::int32_t>::max();
    if (x <= -2147483648.0f) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(x);
}

}  // namespace

std::int32_t RoundHalfUp(float x) {
    const std::int32_t t = TruncateToInt32(x);
    // Compared in float, as the split-table half has always been computed; for
    // negative values this rounds toward zero, which is what old scripts hold.
    if (x - static_cast<float>(t) < 0.5f) return t;
    return TruncateToInt32(x + 1.0f);
}

}  // namespace quorvex
