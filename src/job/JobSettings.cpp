#include "job/JobSettings.h"

#include <array>
#include <cctype>

namespace quorvex {
namespace {

constexpr std::array<std::string_view, kTableTypeCount> kTableTypeNames = {
    "Regular2", "Variation1", "Scattered2", "PascalLine", "Regular3",
    "Regular4", "Scattered4", "Variation4", "Custom1"};
constexpr std::array<std::string_view, kTextTypeCount> kTextTypeNames = {"Regular", "HuffmanV1", "HuffmanV2"};

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

}  // namespace

std::string_view TableTypeName(TableType type) {
    const auto index = static_cast<std::size_t>(type);
    return index < kTableTypeNames.size() ? kTableTypeNames[index] : std::string_view("Unknown");
}

std::string_view TextTypeName(TextType type) {
    const auto index = static_cast<std::size_t>(type);
    return index < kTextTypeNames.size() ? kTextTypeNames[index] : std::string_view("Regular");
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

}  // namespace quorvex
