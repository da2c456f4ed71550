#include "extract/DecodeText.h"

#include "chartable/CharTable.h"

#include <algorithm>
#include <cstring>

namespace quorvex {
namespace {

// "<XX>" (more digits for a value above 0xFF) at `at`; the place after it.
char* WriteEscape(char* at, std::uint32_t value, std::size_t& units) {
    char* const end = ScriptText::Writer::WriteHex(at + 1, value, 2);
    *end = '>';
    at[0] = '<';
    units += static_cast<std::size_t>(end - at) + 1;
    return end + 1;
}

// Called once per string, apart from the code around it: most of Extract's
// time is spent here. The inner loop only copies plain texts and calls
// nothing, so that it has the registers to itself; everything else (escapes,
// parameters, long texts, full blocks) is left to the outer one.
template <typename Value>
bool AppendValues(ScriptText& script, const CharTable* table, std::span<const Value> values, std::size_t limit) {
    const tableindex::ByteKeys::View keys = table ? table->byteKeys() : tableindex::ByteKeys::View{};
    const char* const end = script.blockEnd();
    std::size_t p = 0;
    // Values still to come that are a control code's parameters: escapes, so
    // the script shows them as such even where the table has a character.
    std::size_t parameters = 0;
    while (p < values.size()) {
        // Written leaves room for one piece at least.
        char* at = script.place();
        std::size_t units = 0;
        for (; parameters > 0 && p < values.size() && at < end; --parameters, ++p)
            at = WriteEscape(at, values[p], units);
        // A value takes at most kPiece bytes: this many fit in the block.
        const std::size_t room = at < end ? static_cast<std::size_t>(end - at) / ScriptText::kPiece : 0;
        const std::size_t stop = p + std::min(values.size() - p, room);
        while (p < stop) {
            const tableindex::ByteEntry& entry = keys.Find(values, p);
            if (!entry.plain) break;
            // Most texts are a character or two: one copy of a fixed size,
            // which the padding after the texts and the block leave room for.
            std::memcpy(at, entry.utf8, ScriptText::kPiece);
            at += entry.utf8Length;
            units += entry.length;
            p += entry.byteCount;
        }
        if (p < stop) {
            const tableindex::ByteEntry& entry = keys.Find(values, p);
            if (entry.byteCount == 0) {
                at = WriteEscape(at, values[p], units);
                ++p;
            } else {
                static_cast<void>(script.Written(at, units));
                units = 0;
                script.AppendEntryText(std::u16string_view(table->text()).substr(entry.text, entry.length),
                                       {entry.utf8, entry.utf8Length});
                at = script.place();
                p += entry.byteCount;
                parameters = entry.parameters;
            }
        }
        static_cast<void>(script.Written(at, units));
        // The size only grows: it is enough to watch it now and then.
        if (script.size() > limit) return false;
    }
    ScriptText::Writer(script).Append("\r\n");
    return script.size() <= limit;
}

}  // namespace

bool AppendDecodedText(ScriptText& script, const CharTable* table, std::span<const std::uint8_t> values,
                       std::size_t limit) {
    return AppendValues(script, table, values, limit);
}

bool AppendDecodedText(ScriptText& script, const CharTable* table, std::span<const std::uint16_t> values,
                       std::size_t limit) {
    return AppendValues(script, table, values, limit);
}

}  // namespace quorvex
