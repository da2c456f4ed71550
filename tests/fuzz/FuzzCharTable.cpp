// The character table: loading random bytes in every read mode, and both
// lookups, each checked against the plain first-occurrence search that the
// table's indexes stand in for.
//
// Input: a flag byte (read mode, and a shorter longest-text length in its
// high nibble), the table file's bytes up to a zero byte, then the probe:
// byte values for LookupBytes and UTF-8 text for LookupText.
#include "FuzzSupport.h"

#include "chartable/CharTable.h"
#include "platform/CodePage.h"
#include "platform/Numbers.h"

#include <algorithm>
#include <map>
#include <optional>
#include <string>

namespace {

using quorvex::CharTable;

constexpr std::size_t kNpos = std::u16string_view::npos;

std::u16string KeyText(std::span<const std::uint16_t> bytes, std::size_t p, std::size_t length, bool upper) {
    std::u16string key;
    for (std::size_t i = 0; i < length; ++i) {
        std::u16string digits = quorvex::FormatHex2(bytes[p + i]);
        if (!upper)
            for (char16_t& c : digits)
                if (c >= u'A' && c <= u'F') c = static_cast<char16_t>(c - u'A' + u'a');
        key += digits;
    }
    return key;
}

// Where "\n" + key + "=" first occurs, for every key of 2, 4 or 6 characters:
// the plain search LookupBytes stands in for, done once per table.
std::map<std::u16string, std::size_t> FirstKeyLines(std::u16string_view text) {
    std::map<std::u16string, std::size_t> first;
    for (std::size_t lf = text.find(u'\n'); lf != kNpos; lf = text.find(u'\n', lf + 1))
        for (const std::size_t length : {2, 4, 6})
            if (lf + 1 + length < text.size() && text[lf + 1 + length] == u'=')
                first.emplace(std::u16string(text.substr(lf + 1, length)), lf + 2 + length);
    return first;
}

// LookupBytes as a search: "\n" + key + "=" at its first occurrence, upper-case
// spelling before lower-case, three bytes before two before one.
std::optional<CharTable::ByteMatch> SearchBytes(std::u16string_view text,
                                                const std::map<std::u16string, std::size_t>& keys,
                                                std::span<const std::uint16_t> bytes, std::size_t p) {
    if (p >= bytes.size()) return std::nullopt;
    for (std::size_t length = 3; length >= 1; --length) {
        if (bytes.size() - p < length) continue;
        if (std::any_of(bytes.begin() + static_cast<std::ptrdiff_t>(p),
                        bytes.begin() + static_cast<std::ptrdiff_t>(p + length), [](std::uint16_t b) { return b > 0xFF; }))
            continue;
        for (const bool upper : {true, false}) {
            const auto found = keys.find(KeyText(bytes, p, length, upper));
            if (found == keys.end()) continue;
            const std::size_t start = found->second;
            const std::size_t cr = text.find(u'\r', start);
            const std::size_t end = cr == kNpos ? text.size() : cr;
            return CharTable::ByteMatch{text.substr(start, end - start), static_cast<int>(length)};
        }
    }
    return std::nullopt;
}

// LookupText as a search: the longest n for which "=" + n characters + CR
// occurs, at its first occurrence, with the key of the line holding that "=".
// Every "=" is tried with the whole text up to its CR, which finds the same
// occurrence as searching for each n in turn.
CharTable::TextMatch SearchText(std::u16string_view text, std::u16string_view script, std::size_t pos,
                                std::int32_t longest) {
    CharTable::TextMatch none;
    if (longest <= 0 || pos >= script.size()) return none;
    std::size_t limit = std::min<std::size_t>(static_cast<std::size_t>(longest), script.size() - pos);
    limit = std::min(limit, script.substr(pos, limit).find(u'\r'));
    std::size_t best = 0;
    std::size_t bestAt = kNpos;
    for (std::size_t at = text.find(u'='); at != kNpos; at = text.find(u'=', at + 1)) {
        const std::size_t cr = text.find(u'\r', at + 1);
        if (cr == kNpos) break;
        const std::size_t n = cr - (at + 1);
        if (n == 0 || n > limit || n <= best) continue;
        if (text.substr(at + 1, n) != script.substr(pos, n)) continue;
        best = n;
        bestAt = at;
    }
    if (best == 0) return none;
    const std::size_t lf = text.rfind(u'\n', bestAt);
    const std::size_t lineStart = lf == kNpos ? 0 : lf + 1;
    const std::size_t firstEquals = text.find(u'=', lineStart);
    CharTable::TextMatch match;
    match.length = static_cast<int>(best);
    match.byteCount = quorvex::ScanKeyBytes(text.substr(lineStart, firstEquals + 1 - lineStart), match.bytes);
    return match;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quorvex::fuzz::InputReader input(data, size);
    const std::uint8_t flags = input.Byte();
    const auto decoding = quorvex::fuzz::DecodingFromFlags(flags);
    const auto tableBytes = input.Part();
    const auto probe = input.Rest();

    const CharTable table = CharTable::FromText(quorvex::DecodeTextFile(tableBytes, decoding));
    const std::u16string_view text = table.text();
    QUORVEX_FUZZ_CHECK(!text.empty() && text.front() == u'\n' && text.back() == u'\r');
    QUORVEX_FUZZ_CHECK(table.longestTextLength() >= 0);
    const bool small = text.size() <= 4096 && probe.size() <= 256;

    // Byte lookups: the probe as byte values; FF followed by x stands for a
    // value above 0xFF (FF FF for FF itself).
    std::vector<std::uint16_t> values;
    for (std::size_t i = 0; i < probe.size(); ++i) {
        if (probe[i] == 0xFF && i + 1 < probe.size()) {
            ++i;
            values.push_back(probe[i] == 0xFF ? 0xFF : static_cast<std::uint16_t>(0x100 + probe[i]));
        } else {
            values.push_back(probe[i]);
        }
    }
    const auto keys = small ? FirstKeyLines(text) : std::map<std::u16string, std::size_t>{};
    for (std::size_t p = 0; p <= values.size(); ++p) {
        const auto found = table.LookupBytes(values, p);
        if (found) {
            QUORVEX_FUZZ_CHECK(found->byteCount >= 1 && found->byteCount <= 3);
            QUORVEX_FUZZ_CHECK(p + static_cast<std::size_t>(found->byteCount) <= values.size());
            QUORVEX_FUZZ_CHECK(found->text.data() >= text.data() &&
                               found->text.data() + found->text.size() <= text.data() + text.size());
        }
        if (small) {
            const auto expected = SearchBytes(text, keys, values, p);
            QUORVEX_FUZZ_CHECK(found.has_value() == expected.has_value());
            if (found) {
                QUORVEX_FUZZ_CHECK(found->byteCount == expected->byteCount);
                QUORVEX_FUZZ_CHECK(found->text == expected->text);
            }
        }
    }

    // Text lookups: the probe as UTF-8 text, with the table's own longest
    // length and with one cut short.
    const std::u16string script = quorvex::FromUtf8(
        std::string_view(reinterpret_cast<const char*>(probe.data()), probe.size()));
    const std::int32_t longest = table.longestTextLength();
    const std::int32_t shorter = static_cast<std::int32_t>(flags >> 4);
    for (const std::int32_t limit : {longest, shorter}) {
        for (std::size_t pos = 0; pos <= script.size(); ++pos) {
            const auto match = table.LookupText(script, pos, limit);
            QUORVEX_FUZZ_CHECK(match.length >= 0);
            QUORVEX_FUZZ_CHECK(pos + static_cast<std::size_t>(match.length) <= script.size());
            QUORVEX_FUZZ_CHECK(match.length <= std::max(limit, 0));
            QUORVEX_FUZZ_CHECK(match.byteCount >= 0 && match.byteCount <= 3);
            if (match.length > 0)
                QUORVEX_FUZZ_CHECK(script.substr(pos, static_cast<std::size_t>(match.length)).find(u'\r') == kNpos);
            if (small) {
                const auto expected = SearchText(text, script, pos, limit);
                QUORVEX_FUZZ_CHECK(match.length == expected.length);
                if (match.length > 0) {
                    QUORVEX_FUZZ_CHECK(match.byteCount == expected.byteCount);
                    QUORVEX_FUZZ_CHECK(std::equal(match.bytes, match.bytes + match.byteCount, expected.bytes));
                }
            }
        }
    }
    return 0;
}
