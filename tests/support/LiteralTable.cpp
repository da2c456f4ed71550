#include "LiteralTable.h"

#include "platform/Numbers.h"

#include <algorithm>
#include <cstdio>

namespace quorvex::literal {

std::u16string FrameTable(std::u16string_view fileText) {
    std::u16string text;
    text.reserve(fileText.size() + 2);
    text += u'\n';
    text += fileText;
    text += u'\r';
    return text;
}

// Counted character by character: a CR LF pair ends a line and its count;
// the framing CR at the very end belongs to no line.
std::int32_t LongestTextLength(std::u16string_view text) {
    std::size_t longest = 0;
    std::size_t count = 0;
    bool afterEquals = false;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == u'\r' && text[i + 1] == u'\n') {
            afterEquals = false;
            count = 0;
            ++i;
        } else if (afterEquals) {
            longest = std::max(longest, ++count);
        } else {
            afterEquals = text[i] == u'=';
        }
    }
    return static_cast<std::int32_t>(longest);
}

std::optional<ByteMatch> LookupBytes(std::u16string_view text, std::span<const std::uint16_t> b, std::size_t p) {
    for (std::size_t length = 3; length >= 1; --length) {
        if (p + length > b.size()) continue;
        char key[32];
        if (length == 3)
            std::snprintf(key, sizeof key, "\n%02X%02X%02X=", b[p], b[p + 1], b[p + 2]);
        else if (length == 2)
            std::snprintf(key, sizeof key, "\n%02X%02X=", b[p], b[p + 1]);
        else
            std::snprintf(key, sizeof key, "\n%02X=", b[p]);
        std::u16string pattern = Widen(key);
        for (int pass = 0; pass < 2; ++pass) {
            if (pass == 1)
                for (char16_t& c : pattern)
                    if (c >= u'A' && c <= u'F') c = static_cast<char16_t>(c - u'A' + u'a');
            const std::size_t found = text.find(pattern);
            if (found == std::u16string_view::npos) continue;
            const std::size_t start = found + pattern.size();
            std::size_t end = text.find(u'\r', start);
            if (end == std::u16string_view::npos) end = text.size();
            return ByteMatch{text.substr(start, end - start), static_cast<int>(length)};
        }
    }
    return std::nullopt;
}

TextMatch LookupText(std::u16string_view text, std::u16string_view script, std::size_t pos, std::int32_t longest) {
    if (longest <= 0 || pos >= script.size()) return {};
    std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(longest), script.size() - pos);
    const std::size_t cr = script.find(u'\r', pos);
    if (cr != std::u16string_view::npos) n = std::min(n, cr - pos);
    for (; n > 0; --n) {
        std::u16string pattern;
        pattern.reserve(n + 2);
        pattern += u'=';
        pattern += script.substr(pos, n);
        pattern += u'\r';
        const std::size_t found = text.find(pattern);
        if (found == std::u16string_view::npos) continue;
        const std::size_t lf = text.rfind(u'\n', found);
        TextMatch match;
        match.length = static_cast<int>(n);
        match.byteCount = ScanKeyBytes(text.substr(lf + 1), match.bytes);
        return match;
    }
    return {};
}

}  // namespace quorvex::literal
