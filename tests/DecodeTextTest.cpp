// The string decoder that writes UTF-8 straight into the script, against the
// same decoding done with the table's plain lookup, in UTF-16, and converted
// as a whole afterwards.
#include "chartable/CharTable.h"
#include "extract/DecodeText.h"
#include "platform/Numbers.h"
#include "platform/Utf8.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>

using namespace quorvex;

namespace {

// What a string reads as: each key's text, every other value (and each
// parameter) as an escape, then CR LF.
std::u16string PlainDecoding(const CharTable& table, std::span<const std::uint16_t> values) {
    std::u16string text;
    std::size_t parameters = 0;
    for (std::size_t p = 0; p < values.size();) {
        if (const auto match = parameters == 0 ? table.LookupBytes(values, p) : std::nullopt) {
            text += match->text;
            p += static_cast<std::size_t>(match->byteCount);
            parameters = static_cast<std::size_t>(match->parameterBytes);
            continue;
        }
        text += u'<';
        text += FormatHex2(values[p++]);
        text += u'>';
        if (parameters > 0) --parameters;
    }
    return text + u"\r\n";
}

constexpr std::uint16_t kKeyBytes[] = {0x00, 0x41, 0x42, 0xF0, 0xF1};

// Texts of every kind: empty, ASCII, two and three bytes of UTF-8, a pair of
// surrogates, the halves of one, and longer than a copy of a fixed size.
std::u16string RandomTable(std::mt19937& rng) {
    const std::u16string texts[] = {u"", u"a", u"bc", u"\u00FC", u"\u65E5\u672C", u"\U0001F600", u"\xD83D", u"\xDE00",
                                    u"x\xD83D", u"\xDE01y", u"a much longer text than sixteen bytes"};
    std::u16string table;
    for (int line = 0, lines = 1 + static_cast<int>(rng() % 12); line < lines; ++line) {
        const bool control = rng() % 5 == 0;
        if (control) table += u'$';
        for (std::size_t i = 1 + rng() % 3; i > 0; --i) table += FormatHex2(kKeyBytes[rng() % std::size(kKeyBytes)]);
        table += u'=';
        table += texts[rng() % std::size(texts)];
        if (control) {
            table += u',';
            table += FormatDec(rng() % 4);
        }
        table += u"\r\n";
    }
    return table;
}

}  // namespace

TEST(DecodeTextTest, WritesWhatThePlainLookupReadsInUtf8) {
    std::mt19937 rng(20261207);
    for (int round = 0; round < 300; ++round) {
        const std::u16string tableText = RandomTable(rng);
        const CharTable table = CharTable::FromText(tableText);
        ScriptText script(u"header\r\n");
        std::u16string expected = u"header\r\n";
        // Strings long enough to cross blocks, with values above a byte now and then.
        for (int s = 0; s < 3; ++s) {
            std::vector<std::uint16_t> values(rng() % (round % 10 == 0 ? 6000 : 40));
            for (auto& v : values) v = rng() % 8 == 0 ? rng() % 0x300 : kKeyBytes[rng() % std::size(kKeyBytes)];
            expected += PlainDecoding(table, values);
            const bool wide = std::any_of(values.begin(), values.end(), [](std::uint16_t v) { return v > 0xFF; });
            if (wide) {
                ASSERT_TRUE(AppendDecodedText(script, &table, std::span<const std::uint16_t>(values), SIZE_MAX));
            } else {
                const std::vector<std::uint8_t> bytes(values.begin(), values.end());
                ASSERT_TRUE(AppendDecodedText(script, &table, std::span<const std::uint8_t>(bytes), SIZE_MAX));
            }
        }
        ASSERT_EQ(script.size(), expected.size());
        ASSERT_EQ(script.Take(), EncodeUtf8(expected)) << test::Narrow(tableText);
    }
}

TEST(DecodeTextTest, RefusesAScriptPastItsLimit) {
    const CharTable table = CharTable::FromText(u"41=" + std::u16string(100, u'a') + u"\r\n");
    const std::vector<std::uint8_t> values(50, 0x41);
    ScriptText fits(u"");
    EXPECT_TRUE(AppendDecodedText(fits, &table, std::span<const std::uint8_t>(values), 5002));
    ScriptText over(u"");
    EXPECT_FALSE(AppendDecodedText(over, &table, std::span<const std::uint8_t>(values), 5001));
    ScriptText escapes(u"");
    EXPECT_FALSE(AppendDecodedText(escapes, nullptr, std::span<const std::uint8_t>(values), 201));
}
