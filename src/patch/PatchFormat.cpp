#include "patch/PatchFormat.h"

#include "patch/Bps.h"
#include "patch/Ips.h"

#include <algorithm>
#include <cctype>

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

}  // namespace quorvex
