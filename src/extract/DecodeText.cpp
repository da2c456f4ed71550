#include "extract/DecodeText.h"

#include "chartable/CharTable.h"

namespace quorvex {
namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

// "<XX>" (more digits for a value above 0xFF) at `at`; the place after it.
char* WriteEscape(char* at, std::uint32_t value, std::size_t& units) {
    at[0] = '<';
    if (value <= 0xFF) {
        at[1] = kDigits[value >> 4];
        at[2] = kDigits[value & 0xF];
        at[3] = '>';
        units += 4;
        return at + 4;
    }
    int digits = 2;
    while (digits < 8 && (value >> (4 * digits)) != 0) ++digits;
    for (int d = 0; d < digits; ++d) at[digits - d] = kDigits[(value >> (4 * d)) & 0xF];
    at[digits + 1] = '>';
    units += static_cast<std::size_t>(digits) + 2;
    return at + digits + 2;
}

// Called once per string, apart from the code around it: most of Extract's
// time is spent here. The inner loop calls nothing, so that it has the
// registers to itself; it stops where the block is full or a text needs the
// slow way.
template <typename Value>
bool AppendValues(ScriptText& script, const CharTable* table, std::span<const Value> values, std::size_t limit) {
    const tableindex::ByteKeys::View keys = table ? table->byteKeys() : tableindex::ByteKeys::View{};
    const char* const end = script.blockEnd();
    // Values still to come that are a control code's parameters: escapes, so
    // the script shows them as such even where the table has a character.
    std::size_t parameters = 0;
    std::size_t p = 0;
    while (p < values.size()) {
        char* at = script.place();
        std::size_t units = 0;
        const tableindex::ByteEntry* entry = nullptr;
        for (; p < values.size() && at < end; entry = nullptr) {
            entry = parameters == 0 ? keys.Find(values, p) : nullptr;
            if (!entry) {
                at = WriteEscape(at, values[p], units);
                ++p;
                if (parameters > 0) --parameters;
                continue;
            }
            if (!entry->plain) break;
            // Most texts are a character or two: one copy of a fixed size,
            // which the padding after the texts and the block leave room for.
            std::memcpy(at, entry->utf8, ScriptText::kPiece);
            at += entry->utf8Length;
            units += entry->length;
            p += entry->byteCount;
            parameters = entry->parameters;
        }
        static_cast<void>(script.Written(at, units));
        if (entry) {
            ScriptText::Writer(script).Append(keys, *entry);
            p += entry->byteCount;
            parameters = entry->parameters;
        }
        // The size only grows: it is enough to watch it block by block.
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
