#include "job/FindText.h"

namespace quorvex {

long long FindText(std::u16string_view text, std::u16string_view pattern) {
    if (pattern.empty() || text.empty() || pattern.size() > text.size()) return -1;
    const auto found = text.find(pattern);
    return found == std::u16string_view::npos ? -1 : static_cast<long long>(found);
}

}  // namespace quorvex
