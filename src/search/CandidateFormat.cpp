#include "search/PointerFinder.h"

#include "platform/Numbers.h"

#include <algorithm>
#include <vector>

namespace quorvex {
namespace {

std::u16string Number(std::int32_t value, bool decimal) {
    return decimal ? FormatDec(value) : FormatHex(value);
}

std::u16string ShellQuoted(std::u16string_view text) {
    const bool plain = !text.empty() && std::all_of(text.begin(), text.end(), [](char16_t c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
               std::u16string_view(u"_-./:=@%+,").find(c) != std::u16string_view::npos;
    });
    if (plain) return std::u16string(text);
    std::u16string quoted = u"'";
    for (const char16_t c : text) quoted += c == u'\'' ? std::u16string(u"'\\''") : std::u16string(1, c);
    return quoted + u"'";
}

}  // namespace

std::u16string FormatPointerCandidate(const PointerCandidate& candidate, bool decimal) {
    std::u16string line = Widen(TableTypeName(candidate.type));
    const auto field = [&](const std::u16string& text) { line.append(u"\t").append(text); };
    for (const std::int32_t value : {candidate.tableStart, candidate.tableEnd}) field(Number(value, decimal));
    field(candidate.map == AddressMapKind::None ? Number(candidate.xOffset, decimal) : Widen(MapName(candidate.map)));
    for (const std::int32_t value : {candidate.entryCount, candidate.textStart, candidate.textEnd})
        field(Number(value, decimal));
    return line;
}

std::u16string ExtractCommandLine(std::u16string_view romPath, const PointerCandidate& candidate, bool decimal) {
    std::u16string line = u"quorvex-cli extract --rom ";
    line += ShellQuoted(romPath);
    if (decimal) line += u" --dec";
    line.append(u" --table-type ").append(Widen(TableTypeName(candidate.type)));
    std::vector<std::pair<std::u16string_view, std::int32_t>> options = {
        {u"--table-start", candidate.tableStart}, {u"--table-end", candidate.tableEnd},
        {u"--text-start", candidate.textStart}, {u"--text-end", candidate.textEnd}};
    if (candidate.map == AddressMapKind::None) options.emplace_back(u"--x-offset", candidate.xOffset);
    if (candidate.nullPointer) options.emplace_back(u"--null-pointer", static_cast<std::int32_t>(*candidate.nullPointer));
    for (const auto& [name, value] : options) {
        const std::u16string number = Number(value, decimal);
        // A value starting with "-" would be read as an option.
        line.append(u" ").append(name).append(number.front() == u'-' ? u"=" : u" ").append(number);
    }
    if (candidate.map != AddressMapKind::None) line.append(u" --map ").append(Widen(MapName(candidate.map)));
    return line;
}

}  // namespace quorvex
