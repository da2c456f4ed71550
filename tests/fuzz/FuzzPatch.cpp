// Patches in memory, both ways. Applying a random patch of either format may
// refuse it but never crash, read outside its inputs or hand back bytes with
// a refusal; what it gives back, a BPS patch made anew must give back again.
// Making a patch from an image and a target built of copies, runs and new
// bytes must give back the target in both formats, the same bytes every time.
//
// A BPS header read alone agrees with what applying found. With a copier
// header size, both still hold, the header kept in front.
//
// Input: a flag byte, the source's size as two little-endian bytes and the
// source, then the rest. Flag bit 0 clear: the rest is a patch to apply; bit 1
// then writes the source's and the patch's own CRC32 into a BPS footer, so
// that the fuzzer reaches the actions behind the checks. Bit 0 set: the rest
// builds the target (see BuildTarget). Bit 2: the first 16 bytes are a
// copier header; bit 3 with bit 1 writes the CRC32 of the source after it.
#include "FuzzSupport.h"

#include "patch/Bps.h"
#include "patch/PatchFormat.h"
#include "platform/Crc32.h"

#include <algorithm>

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t kLargestTarget = std::size_t{1} << 20;
constexpr std::size_t kCopierHeader = 16;

void PutLe32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A BPS patch whose footer names this source and whose own CRC32 is right.
void FixBpsFooter(Bytes& patch, std::span<const std::uint8_t> source) {
    if (patch.size() < 16 || !std::equal(patch.begin(), patch.begin() + 4, "BPS1")) return;
    PutLe32(patch, patch.size() - 12, quorvex::Crc32(source));
    PutLe32(patch, patch.size() - 4, quorvex::Crc32(std::span(patch).first(patch.size() - 4)));
}

// Each step a byte: its low two bits pick copying from the source at a
// two-byte offset, new bytes from the input, copying from the target so far
// at a two-byte distance back, or repeating the last byte; the rest of the
// byte is the length less one (runs four times as long).
Bytes BuildTarget(quorvex::fuzz::InputReader& input, std::span<const std::uint8_t> source) {
    Bytes target;
    for (std::span<const std::uint8_t> step = input.Take(1); !step.empty() && target.size() < kLargestTarget;
         step = input.Take(1)) {
        const std::size_t length = (step[0] >> 2) + 1u;
        const std::size_t where = input.Byte() | std::size_t{input.Byte()} << 8;
        switch (step[0] & 3) {
            case 0:
                if (source.empty()) break;
                for (std::size_t i = 0; i < length; ++i) target.push_back(source[(where + i) % source.size()]);
                break;
            case 1: {
                const auto fresh = input.Take(length);
                target.insert(target.end(), fresh.begin(), fresh.end());
                break;
            }
            case 2:
                if (target.empty()) break;
                for (std::size_t i = 0, from = target.size() - 1 - where % target.size(); i < length; ++i)
                    target.push_back(target[from + i]);
                break;
            default:
                target.insert(target.end(), length * 4, target.empty() ? std::uint8_t{0} : target.back());
        }
    }
    return target;
}

void CheckRoundTrip(quorvex::PatchFormat format, std::span<const std::uint8_t> source, const Bytes& target,
                    std::size_t header) {
    using namespace quorvex;
    const PatchResult patch = CreatePatchBytes(format, source, target, header);
    QUORVEX_FUZZ_CHECK(patch.ok());
    QUORVEX_FUZZ_CHECK(DetectPatchFormat(patch.bytes) == format);
    const PatchResult applied = ApplyPatchBytes(patch.bytes, source, header);
    QUORVEX_FUZZ_CHECK(applied.ok() && applied.bytes == target);
    QUORVEX_FUZZ_CHECK(CreatePatchBytes(format, source, target, header).bytes == patch.bytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quorvex;
    fuzz::InputReader input(data, size);
    const std::uint8_t flags = input.Byte();
    const std::size_t sourceSize = input.Byte() | std::size_t{input.Byte()} << 8;
    const auto source = input.Take(sourceSize);

    const std::size_t header = flags & 4 ? kCopierHeader : 0;

    if (flags & 1) {
        const Bytes target = BuildTarget(input, source);
        CheckRoundTrip(PatchFormat::Bps, source, target, header);
        CheckRoundTrip(PatchFormat::Ips, source, target, header);
        return 0;
    }
    const auto rest = input.Rest();
    Bytes patch(rest.begin(), rest.end());
    if (flags & 2) FixBpsFooter(patch, header < source.size() && (flags & 8) ? source.subspan(header) : source);
    const PatchResult applied = ApplyPatchBytes(patch, source, header);
    const auto declared = ReadBpsHeader(patch);
    if (!applied.ok()) {
        QUORVEX_FUZZ_CHECK(applied.bytes.empty());
        return 0;
    }
    QUORVEX_FUZZ_CHECK(applied.bytes.size() <= kMaxPatchImage);
    if (DetectPatchFormat(patch) == PatchFormat::Bps) {
        // Applied to the whole source, or to the part after its header.
        QUORVEX_FUZZ_CHECK(declared.has_value());
        const bool whole = declared->sourceSize == source.size();
        QUORVEX_FUZZ_CHECK(whole || (header != 0 && declared->sourceSize + header == source.size()));
        QUORVEX_FUZZ_CHECK(declared->targetSize + (whole ? 0 : header) == applied.bytes.size());
        if (!whole) QUORVEX_FUZZ_CHECK(std::equal(source.begin(), source.begin() + header, applied.bytes.begin()));
    }
    if (applied.bytes.size() <= kLargestTarget) CheckRoundTrip(PatchFormat::Bps, source, applied.bytes, 0);
    return 0;
}
