#include "extract/ScriptText.h"

#include "platform/Utf8.h"

namespace quorvex {

ScriptText::ScriptText(std::u16string_view start) : m_units(start.size()) {
    AppendUtf8(m_text, start);
}

void ScriptText::AppendEntryText(std::u16string_view text, std::string_view utf8) {
    m_text.append(m_block, m_used);
    m_used = 0;
    m_units += text.size();
    if (!text.empty() && text.front() >= 0xDC00 && text.front() <= 0xDFFF && m_highEnd == m_text.size()) {
        // Both surrogates were written as U+FFFD, three bytes each: the pair replaces them.
        m_text.resize(m_text.size() - 3);
        const char16_t pair[] = {m_high, text.front()};
        AppendUtf8(m_text, std::u16string_view(pair, 2));
        utf8.remove_prefix(3);
    }
    m_text.append(utf8);
    const bool endsHigh = !text.empty() && text.back() >= 0xD800 && text.back() <= 0xDBFF;
    m_highEnd = endsHigh ? m_text.size() : std::string::npos;
    m_high = endsHigh ? text.back() : 0;
}

}  // namespace quorvex
