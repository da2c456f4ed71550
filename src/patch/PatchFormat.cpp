#include "patch/PatchFormat.h"

#include "patch/Bps.h"
#include "patch/Ips.h"
#include "platform/CopierHeader.h"

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

std::size_t CopierHeaderSize(std::string_view path, std::size_t size) {
    const bool snes = EndsWithNoCase(path, ".smc") || EndsWithNoCase(path, ".sfc") || EndsWithNoCase(path, ".swc") ||
                      EndsWithNoCase(path, ".fig");
    return snes ? SnesCopierHeaderSize(size) : 0;
}

PatchResult CreatePatchBytes(PatchFormat format, std::span<const std::uint8_t> source,
                             std::span<const std::uint8_t> target, std::size_t copierHeader) {
    if (format == PatchFormat::Ips) return CreateIps(source, target);
    // A header that differs would be lost on the way: the patch then covers it.
    const bool sameHeader = copierHeader != 0 && source.size() >= copierHeader && target.size() >= copierHeader &&
                            std::equal(source.begin(), source.begin() + static_cast<std::ptrdiff_t>(copierHeader),
                                       target.begin());
    if (sameHeader) return CreateBps(source.subspan(copierHeader), target.subspan(copierHeader));
    return CreateBps(source, target);
}

PatchResult ApplyPatchBytes(std::span<const std::uint8_t> patch, std::span<const std::uint8_t> source,
                            std::size_t copierHeader) {
    const auto format = DetectPatchFormat(patch);
    if (!format) return PatchResult::Failure(PatchStatus::NotAPatch);
    if (*format == PatchFormat::Ips) return ApplyIps(patch, source);
    const auto made = ReadBpsHeader(patch);
    if (copierHeader == 0 || copierHeader > source.size() || !made || made->sourceSize != source.size() - copierHeader)
        return ApplyBps(patch, source);
    PatchResult result = ApplyBps(patch, source.subspan(copierHeader));
    if (result.ok())
        result.bytes.insert(result.bytes.begin(), source.begin(),
                            source.begin() + static_cast<std::ptrdiff_t>(copierHeader));
    return result;
}

}  // namespace quorvex
