// The character table: loading random bytes in every read mode, and both
// lookups, each checked against the plain first-occurrence search that the
// table's indexes stand in for (tests/support/LiteralTable).
//
// Input: a flag byte (read mode, and a shorter longest-text length in its
// high nibble), the table file's bytes up to a zero byte, then the probe:
// byte values for LookupBytes and UTF-8 text for LookupText.
#include "FuzzSupport.h"
#include "LiteralTable.h"

#include "chartable/CharTable.h"
#include "platform/CodePage.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using quorvex::CharTable;
    namespace literal = quorvex::literal;
    quorvex::fuzz::InputReader input(data, size);
    const std::uint8_t flags = input.Byte();
    const auto decoding = quorvex::fuzz::DecodingFromFlags(flags);
    const auto tableBytes = input.Part();
    const auto probe = input.Rest();

    const CharTable table = CharTable::FromText(quorvex::DecodeTextFile(tableBytes, decoding));
    const std::u16string_view text = table.text();
    QUORVEX_FUZZ_CHECK(!text.empty() && text.front() == u'\n' && text.back() == u'\r');
    QUORVEX_FUZZ_CHECK(table.longestTextLength() >= 0);
    // The plain searches scan the whole table per candidate: only small inputs are compared.
    const bool small = text.size() <= 2048 && probe.size() <= 128;

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
    for (std::size_t p = 0; p <= values.size(); ++p) {
        const auto found = table.LookupBytes(values, p);
        if (found) {
            QUORVEX_FUZZ_CHECK(found->byteCount >= 1 && found->byteCount <= 3);
            QUORVEX_FUZZ_CHECK(p + static_cast<std::size_t>(found->byteCount) <= values.size());
            QUORVEX_FUZZ_CHECK(found->text.data() >= text.data() &&
                               found->text.data() + found->text.size() <= text.data() + text.size());
        }
        if (small) {
            // Keys holding a value above 0xFF are not tried: the plain search sees the values before it only.
            const auto big = std::find_if(values.begin() + static_cast<std::ptrdiff_t>(p), values.end(),
                                          [](std::uint16_t b) { return b > 0xFF; });
            const auto expected = literal::LookupBytes(text, {values.data(), static_cast<std::size_t>(big - values.begin())}, p);
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
                QUORVEX_FUZZ_CHECK(script.substr(pos, static_cast<std::size_t>(match.length)).find(u'\r') == std::u16string::npos);
            if (small) {
                const auto expected = literal::LookupText(text, script, pos, limit);
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
