#pragma once
#include <cstddef>

namespace quorvex {

// SNES images are often kept with the 512-byte header of the copier that
// dumped them: the file is then 512 bytes over a whole number of 32 KiB
// blocks. The size of that header, or 0 when the size says there is none.
[[nodiscard]] constexpr std::size_t SnesCopierHeaderSize(std::size_t imageSize) {
    constexpr std::size_t kHeader = 512;
    return imageSize % (32 * 1024) == kHeader ? kHeader : 0;
}

}  // namespace quorvex
