#include "commands/patch/PatchFormat.h"

#include "commands/patch/Bps.h"
#include "commands/patch/Ips.h"
#include "job/Messages.h"

#include <algorithm>
#include <cctype>
#include <zlib.h>

namespace quorvex {
namespace {

bool StartsWith(std::span<const std::uint8_t> bytes, std::string_view magic) {
    return bytes.size() >= magic.size() && std::equal(magic.begin(), magic.end(), bytes.begin());
}

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           std::equal(suffix.begin(), suffix.end(), text.end() - static_cast<std::ptrdiff_t>(suffix.size()),
                      [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

}  // namespace

std::optional<PatchFormat> PatchFormatForPath(std::string_view path) {
    if (EndsWithNoCase(path, ".ips")) return PatchFormat::Ips;
    if (EndsWithNoCase(path, ".bps")) return PatchFormat::Bps;
    return std::nullopt;
}

std::optional<PatchFormat> DetectPatchFormat(std::span<const std::uint8_t> patch) {
    if (StartsWith(patch, "PATCH")) return PatchFormat::Ips;
    if (StartsWith(patch, "BPS1")) return PatchFormat::Bps;
    return std::nullopt;
}

PatchResult CreatePatchBytes(PatchFormat format, std::span<const std::uint8_t> source,
                             std::span<const std::uint8_t> target) {
    return format == PatchFormat::Ips ? CreateIps(source, target) : CreateBps(source, target);
}

PatchResult ApplyPatchBytes(std::span<const std::uint8_t> patch, std::span<const std::uint8_t> source) {
    const auto format = DetectPatchFormat(patch);
    if (!format) return PatchResult::Failure(PatchStatus::NotAPatch);
    return *format == PatchFormat::Ips ? ApplyIps(patch, source) : ApplyBps(patch, source);
}

std::u16string PatchFailureMessage(const PatchResult& result, std::string_view patchPath) {
    switch (result.status) {
        case PatchStatus::Ok: return {};
        case PatchStatus::PastSixteenMiB: return std::u16string(messages::kIpsPastSixteenMiB);
        case PatchStatus::TooLarge: return std::u16string(messages::kImageTooLargeToPatch);
        case PatchStatus::WrongSource: return messages::PatchForAnotherRom(result.expectedCrc, result.actualCrc);
        case PatchStatus::Damaged: return std::u16string(messages::kPatchDamaged);
        case PatchStatus::NotAPatch: return messages::NotAPatch(patchPath);
    }
    return std::u16string(messages::kPatchDamaged);
}

std::uint32_t Crc32(std::span<const std::uint8_t> bytes) {
    return static_cast<std::uint32_t>(crc32_z(crc32_z(0, nullptr, 0), bytes.data(), bytes.size()));
}

}  // namespace quorvex
