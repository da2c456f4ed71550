#include "insert/TestText.h"

#include "chartable/CharTable.h"
#include "job/Messages.h"
#include "job/Script.h"
#include "platform/Numbers.h"

namespace quorvex {

std::u16string MakeTestScript(std::u16string_view text) {
    const auto textEnd = static_cast<std::int32_t>(static_cast<std::int64_t>(text.size()) - 1);
    std::u16string script = u"Table Start:\t0\r\nTable End:\t0\r\nText Start:\t0\r\nText End:\t";
    script += FormatHex(textEnd);
    script += u"\r\nXOffset:\t0\r\n\r\nTable Type:\t0\r\nText Type:\t0\r\n";
    script += kDashLine;
    script += text;
    return script;
}

std::optional<CheckReport> RunTest(std::u16string_view text, const CharTable* table, Prompt& prompt) {
    // One character is refused as well: the made-up text area would be a single byte.
    if (text.size() < 2) {
        prompt.notify(messages::kNoTestText);
        return std::nullopt;
    }
    CTextEngine engine;
    engine.settings.longestTextLength = table ? table->longestTextLength() : 0;
    return engine.CheckInsert(table, MakeTestScript(text));
}

}  // namespace quorvex
