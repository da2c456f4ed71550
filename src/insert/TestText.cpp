#include "insert/TestText.h"

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

}  // namespace quorvex
