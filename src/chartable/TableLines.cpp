#include "chartable/TableLines.h"

#include "platform/Numbers.h"

#include <optional>

namespace quorvex::tableindex {
namespace {

constexpr int kMostParameters = 8;

std::size_t HexDigitsFrom(std::u16string_view line, std::size_t from) {
    std::size_t digits = 0;
    while (from + digits < line.size() && HexDigitValue(line[from + digits]) >= 0) ++digits;
    return digits;
}

bool IsKeyLength(std::size_t digits) {
    return digits == 2 || digits == 4 || digits == 6;
}

// The N of a "$" line's ",N": decimal, 0 to 8.
std::optional<std::uint8_t> ParameterCount(std::u16string_view digits) {
    if (digits.empty()) return std::nullopt;
    int count = 0;
    for (const char16_t c : digits) {
        if (c < u'0' || c > u'9') return std::nullopt;
        count = count * 10 + (c - u'0');
        if (count > kMostParameters) return std::nullopt;
    }
    return static_cast<std::uint8_t>(count);
}

// Appends one line (without its line end), rewritten when it is a prefixed entry.
void AppendLine(std::u16string_view line, TableLines& lines) {
    const char16_t mark = line.empty() ? u'\0' : line[0];
    const bool prefixed = mark == u'/' || mark == u'*' || mark == u'$';
    const std::size_t keyStart = prefixed ? 1 : 0;
    const std::size_t digits = HexDigitsFrom(line, keyStart);
    const std::size_t equals = keyStart + digits;
    const bool hasEquals = equals < line.size() && line[equals] == u'=';
    const bool isKey = IsKeyLength(digits);
    std::u16string& framed = lines.framed;

    if ((mark == u'/' || mark == u'*') && isKey && (hasEquals || equals == line.size())) {
        framed += line.substr(1);
        if (!hasEquals) framed += mark == u'/' ? u"=[END]" : u"=[LINE]";
        return;
    }
    if (mark == u'$' && isKey && hasEquals) {
        const std::size_t comma = line.rfind(u',');
        if (const auto parameters = comma > equals ? ParameterCount(line.substr(comma + 1)) : std::nullopt) {
            framed += line.substr(1, digits + 1);
            lines.linked.push_back({framed.size() - 1, *parameters});
            framed += line.substr(equals + 1, comma - (equals + 1));
            return;
        }
    }
    if (mark == u'@' || mark == u'!' || (digits > 6 && hasEquals)) lines.hasUnreadLines = true;
    framed += line;
}

}  // namespace

TableLines ReadTableLines(std::u16string_view fileText) {
    TableLines lines;
    lines.framed.reserve(fileText.size() + 2);
    lines.framed.push_back(u'\n');
    for (std::size_t start = 0;;) {
        const std::size_t end = fileText.find_first_of(u"\r\n", start);
        AppendLine(fileText.substr(start, end == std::u16string_view::npos ? end : end - start), lines);
        if (end == std::u16string_view::npos) break;
        lines.framed.push_back(fileText[end]);
        start = end + 1;
    }
    lines.framed.push_back(u'\r');
    return lines;
}

}  // namespace quorvex::tableindex
