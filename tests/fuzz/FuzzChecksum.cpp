// The header checksum reader on random images: choosing a system, reading its
// checksum and fixing it, for every choice and every system. None may read
// outside the image; a system chosen can be read; a fix writes only the
// header's checksum bytes, reports what a check saw before, and leaves a
// checksum that reads as right.
//
// Input: the image's size in 512-byte steps (a byte, so up to 127.5 KiB, a
// copier header's worth with the top bit), then pieces written into a zeroed
// image: a three-byte little-endian offset, a length byte and the bytes.
#include "FuzzSupport.h"

#include "patch/Checksum.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes BuildImage(quorvex::fuzz::InputReader& input) {
    const std::uint8_t code = input.Byte();
    Bytes image(std::size_t{code & 0x7Fu} * 1024 + (code & 0x80 ? 512 : 0));
    for (auto step = input.Take(1); !step.empty(); step = input.Take(1)) {
        const std::size_t offset = step[0] | std::size_t{input.Byte()} << 8 | std::size_t{input.Byte()} << 16;
        const auto bytes = input.Take(input.Byte());
        for (std::size_t i = 0; i < bytes.size() && !image.empty(); ++i) image[(offset + i) % image.size()] = bytes[i];
    }
    return image;
}

bool SameReport(const quorvex::ChecksumReport& a, const quorvex::ChecksumReport& b) {
    return a.system == b.system && a.stored == b.stored && a.computed == b.computed &&
           a.storedGlobal == b.storedGlobal && a.computedGlobal == b.computedGlobal && a.right == b.right;
}

// At most the few bytes of a header's checksum change.
std::size_t Differing(const Bytes& a, const Bytes& b) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < a.size(); ++i) count += a[i] != b[i];
    return count;
}

void CheckSystem(const Bytes& image, quorvex::ChecksumSystem system) {
    using namespace quorvex;
    const auto report = CheckChecksum(image, system);
    Bytes fixed = image;
    const auto before = FixChecksum(fixed, system);
    QUORVEX_FUZZ_CHECK(report.has_value() == before.has_value());
    if (!report) {
        QUORVEX_FUZZ_CHECK(fixed == image);
        return;
    }
    QUORVEX_FUZZ_CHECK(SameReport(*report, *before));
    QUORVEX_FUZZ_CHECK(fixed.size() == image.size() && Differing(image, fixed) <= 4);
    const auto after = CheckChecksum(fixed, system);
    QUORVEX_FUZZ_CHECK(after && after->right && after->stored == after->computed);
    QUORVEX_FUZZ_CHECK(!ChecksumLine(*report, !report->right).empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quorvex;
    fuzz::InputReader input(data, size);
    const Bytes image = BuildImage(input);
    for (const auto choice :
         {ChecksumChoice::Auto, ChecksumChoice::Snes, ChecksumChoice::Gb, ChecksumChoice::Gba, ChecksumChoice::Md}) {
        const auto system = ChooseChecksumSystem(image, choice);
        if (system) QUORVEX_FUZZ_CHECK(CheckChecksum(image, *system).has_value());
    }
    for (const auto system : {ChecksumSystem::SnesLoRom, ChecksumSystem::SnesHiRom, ChecksumSystem::Gb,
                              ChecksumSystem::Gba, ChecksumSystem::Md})
        CheckSystem(image, system);
    return 0;
}
