#pragma once
#include <cstdint>
#include <vector>
#include <cstddef>

namespace quorvex {

enum class PatchFormat { Ips, Bps };

// How making or applying a patch ended.
enum class PatchStatus {
    Ok,
    PastSixteenMiB,  // IPS: a change lies at or past 16 MiB
    SizePastSixteenMiB,  // IPS: the shorter size it would have to name is 16 MiB or more
    TooLarge,        // making a patch: an image larger than kMaxPatchImage
    WrongSource,     // BPS: the patch was made for a ROM of another size or CRC32
    Damaged,         // malformed, truncated, or a CRC32 of the patch or of the result is wrong
    NotAPatch,       // starts with neither "PATCH" nor "BPS1"
};

// The outcome of making a patch (bytes: the patch) or applying one (bytes: the
// patched image). On failure bytes is empty; a WrongSource failure also holds
// the CRC32 the patch expects and the one the ROM has.
struct PatchResult {
    PatchStatus status = PatchStatus::Ok;
    std::vector<std::uint8_t> bytes;
    std::uint32_t expectedCrc = 0;
    std::uint32_t actualCrc = 0;

    [[nodiscard]] bool ok() const noexcept { return status == PatchStatus::Ok; }
    [[nodiscard]] static PatchResult Failure(PatchStatus status) { return {status, {}, 0, 0}; }
};

// The largest image a patch is made for or applied to. A patch that declares a
// larger result is treated as damaged rather than trusted with the memory.
inline constexpr std::size_t kMaxPatchImage = std::size_t{1} << 30;

}  // namespace quorvex
