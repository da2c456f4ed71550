#pragma once
// The pieces of the BPS format its writer and its reader share.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace quorvex::bps {

inline constexpr std::string_view kMagic = "BPS1";
inline constexpr std::size_t kFooterSize = 12;  // CRC32 of source, target and patch
enum Action : std::uint64_t { SourceRead = 0, TargetRead = 1, SourceCopy = 2, TargetCopy = 3 };

// The format's numbers: seven bits a byte, the last byte marked by its top
// bit, each continuation adding one so that no value has two spellings.
inline void AppendNumber(std::vector<std::uint8_t>& out, std::uint64_t value) {
    for (;;) {
        const auto low = static_cast<std::uint8_t>(value & 0x7F);
        value >>= 7;
        if (value == 0) {
            out.push_back(0x80 | low);
            return;
        }
        out.push_back(low);
        --value;
    }
}

inline std::size_t NumberSize(std::uint64_t value) {
    std::size_t size = 1;
    for (value >>= 7; value != 0; value = (value - 1) >> 7) ++size;
    return size;
}

// A copy's offset from where the last copy of its kind ended: the sign in the lowest bit.
inline std::uint64_t SignedOffset(std::int64_t delta) {
    return delta < 0 ? (static_cast<std::uint64_t>(-delta) << 1) | 1 : static_cast<std::uint64_t>(delta) << 1;
}

}  // namespace quorvex::bps
