#include "commands/Summaries.h"

#include "insert/ScriptWalk.h"
#include "job/Script.h"
#include "platform/Numbers.h"

namespace quorvex::commands {

std::size_t CountTableEntries(const CharTable& table) {
    const std::u16string_view text = table.text();
    std::size_t entries = 0;
    for (std::size_t lf = text.find(u'\n'); lf != std::u16string_view::npos; lf = text.find(u'\n', lf + 1)) {
        std::size_t digits = 0;
        bool upper = false;
        bool lower = false;
        for (std::size_t at = lf + 1; at < text.size() && digits < 7 && HexDigitValue(text[at]) >= 0; ++at, ++digits) {
            upper = upper || (text[at] >= u'A' && text[at] <= u'F');
            lower = lower || (text[at] >= u'a' && text[at] <= u'f');
        }
        const std::size_t equals = lf + 1 + digits;
        if ((digits == 2 || digits == 4 || digits == 6) && !(upper && lower) && equals < text.size() &&
            text[equals] == u'=')
            ++entries;
    }
    return entries;
}

std::optional<std::size_t> CountScriptBlocks(std::u16string_view script) {
    const std::optional<ScriptHeader> header = ReadScriptHeader(script);
    const std::optional<std::size_t> body = header ? FindScriptBody(script) : std::nullopt;
    if (!body) return std::nullopt;
    const BodyLayout layout = ReadBodyLayout(*header);
    std::size_t blocks = 0;
    std::size_t pos = *body;
    while (pos < script.size()) {
        const scriptwalk::Block block = scriptwalk::ReadBlock(script, pos, layout, header->tableType,
                                                                   header->job.nullPointer.has_value());
        if (!block.problem.empty()) break;
        ++blocks;
        pos = block.isRepeat ? block.pointer->next : NextLineStart(script, block.textLine);
    }
    return blocks;
}

}  // namespace quorvex::commands
