#include "patch/Checksum.h"

#include "platform/ByteOrder.h"
#include "platform/Numbers.h"

#include <algorithm>
#include <bit>
#include <numeric>

namespace quorvex {
namespace {

constexpr std::size_t kCopierHeader = 512;
constexpr std::size_t kSnesComplement = 0x1C;  // from the header's start; the checksum follows it
constexpr std::size_t kSnesMapMode = 0x15;
constexpr std::size_t kGbHeaderSum = 0x14D;
constexpr std::size_t kGbGlobalSum = 0x14E;
constexpr std::size_t kGbaComplement = 0xBD;
constexpr std::size_t kMdSum = 0x18E;
constexpr std::size_t kMdSummedFrom = 0x200;

bool IsSnes(ChecksumSystem system) {
    return system == ChecksumSystem::SnesLoRom || system == ChecksumSystem::SnesHiRom;
}

std::uint32_t Read(std::span<const std::uint8_t> image, std::size_t offset, int width, bool bigEndian = false) {
    const auto at = static_cast<std::int64_t>(offset);
    return *(bigEndian ? ReadBe(image, at, width) : ReadLe(image, at, width));
}

void Write(std::span<std::uint8_t> image, std::size_t offset, int width, std::uint32_t value, bool bigEndian = false) {
    const auto at = static_cast<std::int64_t>(offset);
    static_cast<void>(bigEndian ? WriteBe(image, at, width, value) : WriteLe(image, at, width, value));
}

std::uint64_t Sum(std::span<const std::uint8_t> bytes) {
    return std::accumulate(bytes.begin(), bytes.end(), std::uint64_t{0});
}

// Offsets in a SNES image count from after the copier header, when it has one.
std::span<const std::uint8_t> SnesRom(std::span<const std::uint8_t> image) {
    return image.size() % 1024 == kCopierHeader ? image.subspan(kCopierHeader) : image;
}

std::size_t SnesHeader(ChecksumSystem system) {
    return system == ChecksumSystem::SnesLoRom ? 0x7FC0 : 0xFFC0;
}

// The largest power-of-two part, then the rest repeated to fill the next
// power of two, with the checksum counted as 0 and its complement as 0xFFFF.
// The header lies in the first part, as the image is at least as large as
// the bank that holds it.
std::uint32_t SnesSum(std::span<const std::uint8_t> rom, std::size_t header) {
    const std::size_t whole = std::bit_floor(rom.size());
    const std::size_t rest = rom.size() - whole;
    std::uint64_t sum = Sum(rom.first(whole));
    if (rest != 0) sum += whole / rest * Sum(rom.subspan(whole)) + Sum(rom.subspan(whole, whole % rest));
    sum -= Sum(rom.subspan(header + kSnesComplement, 4));
    return static_cast<std::uint32_t>(sum + 0xFF + 0xFF) & 0xFFFF;
}

std::uint8_t GbHeaderSum(std::span<const std::uint8_t> image) {
    std::uint8_t sum = 0;
    for (std::size_t at = 0x134; at < kGbHeaderSum; ++at) sum = static_cast<std::uint8_t>(sum - image[at] - 1);
    return sum;
}

std::uint32_t MdSum(std::span<const std::uint8_t> image) {
    std::uint32_t sum = 0;
    for (std::size_t at = kMdSummedFrom; at < image.size(); at += 2)
        sum += image[at] << 8 | (at + 1 < image.size() ? image[at + 1] : 0);  // an odd last byte: its low half is 0
    return sum & 0xFFFF;
}

std::size_t MinimumSize(ChecksumSystem system) {
    switch (system) {
        case ChecksumSystem::SnesLoRom: return 0x8000;
        case ChecksumSystem::SnesHiRom: return 0x10000;
        case ChecksumSystem::Gb: return 0x150;
        case ChecksumSystem::Gba: return 0xC0;
        case ChecksumSystem::Md: return kMdSummedFrom;
    }
    return SIZE_MAX;
}

// 2 for a map-mode byte of the right map, 1 for a checksum and complement that
// add up to 0xFFFF; -1 when the image cannot hold the header.
int SnesConsistency(std::span<const std::uint8_t> image, ChecksumSystem system) {
    const auto rom = SnesRom(image);
    if (rom.size() < MinimumSize(system)) return -1;
    const std::size_t header = SnesHeader(system);
    const std::uint8_t mapMode = rom[header + kSnesMapMode];
    // 001s mmmm: LoROM maps 0, 2 and 3 (plain, enhancement chip, SA-1); HiROM maps 1 and 5 (and extended).
    const int map = mapMode & 0x0F;
    const bool mapFits =
        (mapMode & 0xE0) == 0x20 &&
        (system == ChecksumSystem::SnesLoRom ? map == 0 || map == 2 || map == 3 : map == 1 || map == 5);
    const bool pairFits = Read(rom, header + kSnesComplement, 2) + Read(rom, header + kSnesComplement + 2, 2) == 0xFFFF;
    return (mapFits ? 2 : 0) + (pairFits ? 1 : 0);
}

// A header counts as there only when both its map-mode byte and its
// checksum pair fit; when both headers do, the one whose checksum is right.
std::optional<ChecksumSystem> ChooseSnes(std::span<const std::uint8_t> image) {
    const bool lo = SnesConsistency(image, ChecksumSystem::SnesLoRom) == 3;
    const bool hi = SnesConsistency(image, ChecksumSystem::SnesHiRom) == 3;
    if (lo && hi) {
        const bool onlyHiRight = CheckChecksum(image, ChecksumSystem::SnesHiRom)->right &&
                                 !CheckChecksum(image, ChecksumSystem::SnesLoRom)->right;
        return onlyHiRight ? ChecksumSystem::SnesHiRom : ChecksumSystem::SnesLoRom;
    }
    if (lo) return ChecksumSystem::SnesLoRom;
    if (hi) return ChecksumSystem::SnesHiRom;
    return std::nullopt;
}

bool HasBytes(std::span<const std::uint8_t> image, std::size_t offset, std::initializer_list<std::uint8_t> bytes) {
    return image.size() >= offset + bytes.size() && std::equal(bytes.begin(), bytes.end(), image.begin() + offset);
}

// The bytes every header of system holds, whatever its game: the fixed byte
// 0x96 and a branch at the entry point; the first bytes of the boot logo; the
// console's name at 0x100 (with or without a space before it).
bool HeaderIsThere(std::span<const std::uint8_t> image, ChecksumSystem system) {
    if (image.size() < MinimumSize(system)) return false;
    switch (system) {
        case ChecksumSystem::Gba: return image[0xB2] == 0x96 && image[3] == 0xEA;
        case ChecksumSystem::Gb: return HasBytes(image, 0x104, {0xCE, 0xED, 0x66, 0x66});
        case ChecksumSystem::Md: return HasBytes(image, 0x100, {'S', 'E', 'G', 'A'}) || HasBytes(image, 0x101, {'S', 'E', 'G', 'A'});
        case ChecksumSystem::SnesLoRom:
        case ChecksumSystem::SnesHiRom: return SnesConsistency(image, system) == 3;
    }
    return false;
}

}  // namespace

std::optional<ChecksumChoice> ChecksumChoiceFromName(std::string_view name) {
    if (name == "auto") return ChecksumChoice::Auto;
    if (name == "snes") return ChecksumChoice::Snes;
    if (name == "gb") return ChecksumChoice::Gb;
    if (name == "gba") return ChecksumChoice::Gba;
    if (name == "md") return ChecksumChoice::Md;
    return std::nullopt;
}

std::string_view ChecksumSystemName(ChecksumSystem system) {
    switch (system) {
        case ChecksumSystem::SnesLoRom: return "snes-lorom";
        case ChecksumSystem::SnesHiRom: return "snes-hirom";
        case ChecksumSystem::Gb: return "gb";
        case ChecksumSystem::Gba: return "gba";
        case ChecksumSystem::Md: return "md";
    }
    return "md";
}

std::optional<ChecksumSystem> ChooseChecksumSystem(std::span<const std::uint8_t> image, ChecksumChoice choice) {
    const auto ifThere = [&](ChecksumSystem system) -> std::optional<ChecksumSystem> {
        if (!HeaderIsThere(image, system)) return std::nullopt;
        return system;
    };
    switch (choice) {
        case ChecksumChoice::Snes: return ChooseSnes(image);
        case ChecksumChoice::Gb: return ifThere(ChecksumSystem::Gb);
        case ChecksumChoice::Gba: return ifThere(ChecksumSystem::Gba);
        case ChecksumChoice::Md: return ifThere(ChecksumSystem::Md);
        case ChecksumChoice::Auto: break;
    }
    for (const ChecksumSystem system : {ChecksumSystem::Gba, ChecksumSystem::Gb, ChecksumSystem::Md})
        if (HeaderIsThere(image, system)) return system;
    return ChooseSnes(image);
}

std::optional<ChecksumReport> CheckChecksum(std::span<const std::uint8_t> image, ChecksumSystem system) {
    const auto rom = IsSnes(system) ? SnesRom(image) : image;
    if (rom.size() < MinimumSize(system)) return std::nullopt;
    ChecksumReport report;
    report.system = system;
    switch (system) {
        case ChecksumSystem::SnesLoRom:
        case ChecksumSystem::SnesHiRom: {
            const std::size_t header = SnesHeader(system);
            report.stored = Read(rom, header + kSnesComplement + 2, 2);
            report.computed = SnesSum(rom, header);
            report.right = report.stored == report.computed &&
                           Read(rom, header + kSnesComplement, 2) == (report.computed ^ 0xFFFF);
            return report;
        }
        case ChecksumSystem::Gb:
            report.stored = rom[kGbHeaderSum];
            report.computed = GbHeaderSum(rom);
            report.storedGlobal = Read(rom, kGbGlobalSum, 2, true);
            // As it will be once the header byte is right too.
            report.computedGlobal =
                static_cast<std::uint32_t>(Sum(rom) - Sum(rom.subspan(kGbHeaderSum, 3)) + report.computed) & 0xFFFF;
            report.right = report.stored == report.computed && report.storedGlobal == report.computedGlobal;
            return report;
        case ChecksumSystem::Gba:
            report.stored = rom[kGbaComplement];
            report.computed =
                static_cast<std::uint32_t>(0 - Sum(rom.subspan(0xA0, kGbaComplement - 0xA0)) - 0x19) & 0xFF;
            break;
        case ChecksumSystem::Md:
            report.stored = Read(rom, kMdSum, 2, true);
            report.computed = MdSum(rom);
            break;
    }
    report.right = report.stored == report.computed;
    return report;
}

std::optional<ChecksumReport> FixChecksum(std::span<std::uint8_t> image, ChecksumSystem system) {
    const auto report = CheckChecksum(image, system);
    if (!report) return std::nullopt;
    switch (system) {
        case ChecksumSystem::SnesLoRom:
        case ChecksumSystem::SnesHiRom: {
            const std::size_t at = image.size() - SnesRom(image).size() + SnesHeader(system) + kSnesComplement;
            Write(image, at, 2, report->computed ^ 0xFFFF);
            Write(image, at + 2, 2, report->computed);
            break;
        }
        case ChecksumSystem::Gb:
            image[kGbHeaderSum] = static_cast<std::uint8_t>(report->computed);
            Write(image, kGbGlobalSum, 2, report->computedGlobal, true);
            break;
        case ChecksumSystem::Gba: image[kGbaComplement] = static_cast<std::uint8_t>(report->computed); break;
        case ChecksumSystem::Md: Write(image, kMdSum, 2, report->computed, true); break;
    }
    return report;
}

std::u16string ChecksumLine(const ChecksumReport& report, bool fixed) {
    const bool isByte = report.system == ChecksumSystem::Gb || report.system == ChecksumSystem::Gba;
    const auto value = [&](std::uint32_t sum, std::uint32_t global) {
        std::u16string text = FormatHexDigits(sum & (isByte ? 0xFFu : 0xFFFFu), isByte ? 2 : 4);
        if (report.system == ChecksumSystem::Gb) text.append(u"/").append(FormatHexDigits(global & 0xFFFFu, 4));
        return text;
    };
    const std::u16string_view outcome = report.right ? u"right" : fixed ? u"fixed" : u"wrong";
    return Widen(ChecksumSystemName(report.system)) + u": stored " + value(report.stored, report.storedGlobal) +
           u", computed " + value(report.computed, report.computedGlobal) + u", " + std::u16string(outcome);
}

}  // namespace quorvex
