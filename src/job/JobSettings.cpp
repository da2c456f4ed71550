#include "job/JobSettings.h"

#include "platform/Numbers.h"

#include <array>
#include <cctype>

namespace quorvex {
namespace {

constexpr std::array<std::string_view, kTableTypeCount> kTableTypeNames = {
    "Regular2", "Variation1", "Scattered2", "PascalLine", "Regular3",
    "Regular4", "Scattered4", "Variation4", "Custom1"};
constexpr std::array<std::string_view, kTextTypeCount> kTextTypeNames = {"Regular", "HuffmanV1", "HuffmanV2"};
constexpr std::array<std::string_view, 6> kMapNames = {"none", "lorom", "hirom", "exhirom", "gb", "nes"};

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

template <std::size_t N>
std::optional<int> ParseChoice(std::string_view text, const std::array<std::string_view, N>& names) {
    if (text.size() == 1 && text[0] >= '0' && text[0] < static_cast<char>('0' + N)) return text[0] - '0';
    for (std::size_t i = 0; i < N; ++i)
        if (EqualsIgnoringCase(text, names[i])) return static_cast<int>(i);
    return std::nullopt;
}

void ReadField(const std::u16string& text, bool hex, std::int32_t& field) {
    const auto value = ScanNumber(text, !hex);
    if (value) field = *value;
}

}  // namespace

JobSettings ReadJobFields(const JobFieldTexts& fields, bool hex) {
    JobSettings job;
    ReadField(fields.tableStart, hex, job.tableStart);
    ReadField(fields.tableEnd, hex, job.tableEnd);
    ReadField(fields.textStart, hex, job.textStart);
    ReadField(fields.textEnd, hex, job.textEnd);
    ReadField(fields.xOffset, hex, job.xOffset);
    ReadField(fields.huffTable, hex, job.huffTable);
    job.commandLength = static_cast<std::int32_t>((fields.huffTable.size() + 1) / 2);
    if (const auto value = ScanNumber(fields.nullPointer, !hex))
        job.nullPointer = static_cast<std::uint32_t>(*value);
    return job;
}

std::string_view TableTypeName(TableType type) {
    const auto index = static_cast<std::size_t>(type);
    return index < kTableTypeNames.size() ? kTableTypeNames[index] : std::string_view("Unknown");
}

std::optional<TableType> ParseTableType(std::string_view text) {
    const auto choice = ParseChoice(text, kTableTypeNames);
    if (!choice) return std::nullopt;
    return static_cast<TableType>(*choice);
}

std::optional<TextType> ParseTextType(std::string_view text) {
    const auto choice = ParseChoice(text, kTextTypeNames);
    if (!choice) return std::nullopt;
    return static_cast<TextType>(*choice);
}

std::string_view MapName(AddressMapKind map) {
    const auto index = static_cast<std::size_t>(map);
    return index < kMapNames.size() ? kMapNames[index] : kMapNames[0];
}

std::optional<AddressMapKind> ParseMapName(std::string_view text) {
    for (std::size_t i = 0; i < kMapNames.size(); ++i)
        if (EqualsIgnoringCase(text, kMapNames[i])) return static_cast<AddressMapKind>(i);
    return std::nullopt;
}

std::optional<ReadMode> ReadModeFromName(std::string_view text) {
    if (EqualsIgnoringCase(text, "ascii")) return ReadMode::Ascii;
    if (EqualsIgnoringCase(text, "utf7")) return ReadMode::UTF7;
    if (EqualsIgnoringCase(text, "utf8")) return ReadMode::UTF8;
    return std::nullopt;
}

}  // namespace quorvex
