#include "job/Script.h"

#include "job/FindText.h"
#include "platform/Numbers.h"

#include <algorithm>

namespace quorvex {
namespace {

// The number after the first occurrence of key; no value when the key is absent.
// A key followed by no digits reads as 0.
std::optional<std::int32_t> ReadKey(std::u16string_view script, std::u16string_view key) {
    const long long at = FindText(script, key);
    if (at < 0) return std::nullopt;
    const auto rest = script.substr(static_cast<std::size_t>(at) + key.size());
    return ScanHex(rest).value_or(0);
}

// The map named on the header's "Map:" line; None without one. No value when
// the line names no map Quorvex knows. Only the header is searched: a line of
// text in the body never changes how the script is read.
std::optional<AddressMapKind> ReadMapLine(std::u16string_view script) {
    const long long dash = FindText(script, kDashLine);
    const auto header = script.substr(0, dash < 0 ? script.size() : static_cast<std::size_t>(dash));
    const long long at = FindText(header, kMapKey);
    if (at < 0) return AddressMapKind::None;
    const auto rest = header.substr(static_cast<std::size_t>(at) + kMapKey.size());
    auto name = rest.substr(0, std::min(rest.find(u'\r'), rest.size()));
    while (!name.empty() && (name.back() == u' ' || name.back() == u'\t')) name.remove_suffix(1);
    std::string ascii;
    for (const char16_t c : name) {
        if (c >= 0x80) return std::nullopt;
        ascii += static_cast<char>(c);
    }
    return ParseMapName(ascii);
}

void AppendKeyLine(std::u16string& out, std::u16string_view key, std::int32_t value) {
    out += key;
    out += FormatHex(value);
    out += u"\r\n";
}

}  // namespace

std::u16string WriteScriptHeader(const JobSettings& job, TableType tableType, TextType textType) {
    std::u16string out;
    AppendKeyLine(out, u"Table Start:\t", job.tableStart);
    AppendKeyLine(out, u"Table End:\t", job.tableEnd);
    AppendKeyLine(out, u"Text Start:\t", job.textStart);
    AppendKeyLine(out, u"Text End:\t", job.textEnd);
    AppendKeyLine(out, u"XOffset:\t", job.xOffset);
    out += u"\r\n";
    AppendKeyLine(out, u"Table Type:\t", static_cast<std::int32_t>(tableType));
    AppendKeyLine(out, u"Text Type:\t", static_cast<std::int32_t>(textType));
    if (IsHuffman(textType) || IsScattered(tableType)) AppendKeyLine(out, u"HuffTable:\t", job.huffTable);
    if (job.nullPointer) AppendKeyLine(out, u"NullPointer:\t", static_cast<std::int32_t>(*job.nullPointer));
    if (job.map != AddressMapKind::None) {
        out += kMapKey;
        const std::string_view name = MapName(job.map);
        out.append(name.begin(), name.end());
        out += u"\r\n";
    }
    out += kDashLine;
    return out;
}

std::optional<ScriptHeader> ReadScriptHeader(std::u16string_view script) {
    const auto tableStart = ReadKey(script, u"Table Start:\t");
    const auto tableEnd = ReadKey(script, u"Table End:\t");
    const auto textStart = ReadKey(script, u"Text Start:\t");
    const auto textEnd = ReadKey(script, u"Text End:\t");
    const auto xOffset = ReadKey(script, u"XOffset:\t");
    if (!tableStart || !tableEnd || !textStart || !textEnd || !xOffset) return std::nullopt;

    ScriptHeader header;
    header.job.tableStart = *tableStart;
    header.job.tableEnd = *tableEnd;
    header.job.textStart = *textStart;
    header.job.textEnd = *textEnd;
    header.job.xOffset = *xOffset;
    if (const auto tableType = ReadKey(script, u"Table Type:\t")) {
        const auto textType = ReadKey(script, u"Text Type:\t");
        if (!textType) return std::nullopt;
        header.tableType = static_cast<TableType>(*tableType);
        header.textType = static_cast<TextType>(*textType);
    }
    if (const auto huffTable = ReadKey(script, u"HuffTable:\t")) {
        header.job.huffTable = *huffTable;
        header.hasHuffTable = true;
    }
    if (const auto nullPointer = ReadKey(script, u"NullPointer:\t"))
        header.job.nullPointer = static_cast<std::uint32_t>(*nullPointer);
    const auto map = ReadMapLine(script);
    if (!map) return std::nullopt;
    header.job.map = *map;
    return header;
}

std::optional<std::u16string> WithMapLine(std::u16string_view script, AddressMapKind map) {
    const auto header = ReadScriptHeader(script);
    const long long dash = FindText(script, kDashLine);
    if (!header || dash < 0 || map == AddressMapKind::None || header->job.map == map) return std::u16string(script);
    if (header->job.map != AddressMapKind::None) return std::nullopt;
    const std::string_view name = MapName(map);
    std::u16string out(script);
    out.insert(static_cast<std::size_t>(dash), std::u16string(kMapKey) + std::u16string(name.begin(), name.end()) + u"\r\n");
    return out;
}

std::optional<std::size_t> FindScriptBody(std::u16string_view script) {
    const long long at = FindText(script, kDashLine);
    if (at < 0) return std::nullopt;
    return static_cast<std::size_t>(at) + kDashLine.size();
}

BodyLayout ReadBodyLayout(const ScriptHeader& header) {
    const bool present = TablePresent(header.job);
    switch (header.tableType) {
    case TableType::Scattered2:
    case TableType::Scattered4: return BodyLayout::PointerLines;
    case TableType::Regular2:
    case TableType::Variation1:
    case TableType::Regular3:
    case TableType::Regular4:
    case TableType::Variation4: return present ? BodyLayout::PointerLines : BodyLayout::TextOnly;
    case TableType::PascalLine:
    case TableType::Custom1: return present ? BodyLayout::LengthTable : BodyLayout::TextOnly;
    }
    return BodyLayout::TextOnly;
}

std::size_t FindLineEnd(std::u16string_view script, std::size_t pos) {
    const auto cr = FindCharacter(script, u'\r', std::min(pos, script.size()));
    return cr == std::u16string_view::npos ? script.size() : cr;
}

std::size_t NextLineStart(std::u16string_view script, std::size_t pos) {
    const std::size_t end = FindLineEnd(script, pos);
    return end >= script.size() ? script.size() : std::min(end + 2, script.size());
}

std::int64_t LineNumberAt(std::u16string_view script, std::size_t pos) {
    const auto upTo = script.substr(0, std::min(pos, script.size()));
    return 1 + std::count(upTo.begin(), upTo.end(), u'\n');
}

std::int64_t ColumnAt(std::u16string_view script, std::size_t pos) {
    pos = std::min(pos, script.size());
    const std::size_t lineStart = script.find_last_of(u'\n', pos == 0 ? 0 : pos - 1);
    const std::size_t from = (lineStart == std::u16string_view::npos || pos == 0) ? 0 : lineStart + 1;
    std::int64_t column = 1;
    for (std::size_t i = from; i < pos; ++i)
        if (script[i] < 0xDC00 || script[i] > 0xDFFF) ++column;  // the second half of a pair adds nothing
    return column;
}

PointerLine ParsePointerLine(std::u16string_view script, std::size_t pos) {
    PointerLine result;
    result.lineEnd = FindLineEnd(script, pos);
    result.next = NextLineStart(script, pos);
    const auto line = script.substr(std::min(pos, script.size()), result.lineEnd - std::min(pos, script.size()));

    std::size_t used = 0;
    result.offset = ScanHex(line, used);
    if (!result.offset) return result;
    // After the number: one separator of any kind, then the marker.
    const std::size_t markerAt = used + 1;
    if (markerAt >= line.size()) return result;
    const char16_t marker = line[markerAt];
    if (marker == u'r' || marker == u'R')
        result.kind = PointerLineKind::Repeat;
    else if (marker == u'm' || marker == u'M')
        result.kind = PointerLineKind::Move;
    else if (marker == u'n' || marker == u'N')
        result.kind = PointerLineKind::Empty;
    else
        return result;
    result.second = ScanHex(line.substr(markerAt + 1));
    return result;
}

bool IsCompleteScript(std::u16string_view script) {
    return ReadScriptHeader(script) && FindScriptBody(script);
}

}  // namespace quorvex
