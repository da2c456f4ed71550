#include "chartable/ByteKeys.h"

#include "platform/Numbers.h"
#include "platform/Utf8.h"

namespace quorvex::tableindex {
namespace {

// A line that starts with a key, as the lookups read it.
struct KeyLine {
    std::uint32_t value = 0;
    std::uint8_t byteCount = 0;
    std::uint8_t parameters = 0;
    bool upper = false;  // written without lower-case letters
    bool lower = false;  // written without upper-case letters
    std::uint32_t text = 0;
    std::uint32_t length = 0;
};

std::vector<KeyLine> ReadKeyLines(std::u16string_view text, std::span<const LinkedEntry> linked) {
    std::vector<KeyLine> lines;
    // Entries are met in ascending order, so the next CR only ever moves forward.
    std::size_t nextCr = text.find(u'\r');
    auto textEnd = [&](std::size_t from) {
        if (nextCr != std::u16string_view::npos && nextCr < from) nextCr = text.find(u'\r', from);
        return nextCr == std::u16string_view::npos ? text.size() : nextCr;
    };
    for (std::size_t lf = text.find(u'\n'); lf != std::u16string_view::npos; lf = text.find(u'\n', lf + 1)) {
        KeyLine line;
        bool hasUpper = false;
        bool hasLower = false;
        std::size_t digits = 0;
        while (digits < 7 && lf + 1 + digits < text.size()) {
            const char16_t c = text[lf + 1 + digits];
            const int v = HexDigitValue(c);
            if (v < 0) break;
            hasUpper = hasUpper || (c >= u'A' && c <= u'F');
            hasLower = hasLower || (c >= u'a' && c <= u'f');
            line.value = (line.value << 4) | static_cast<std::uint32_t>(v);
            ++digits;
        }
        const std::size_t equals = lf + 1 + digits;
        if ((digits != 2 && digits != 4 && digits != 6) || equals >= text.size() || text[equals] != u'=') continue;
        if (hasUpper && hasLower) continue;
        while (!linked.empty() && linked.front().equals < equals) linked = linked.subspan(1);
        if (!linked.empty() && linked.front().equals == equals) line.parameters = linked.front().parameters;
        line.byteCount = static_cast<std::uint8_t>(digits / 2);
        line.upper = !hasLower;
        line.lower = !hasUpper;
        line.text = static_cast<std::uint32_t>(equals + 1);
        line.length = static_cast<std::uint32_t>(textEnd(equals + 1) - (equals + 1));
        lines.push_back(line);
    }
    return lines;
}

// A low surrogate at the start of a text or a high one at its end, which a
// neighbouring text's could make one character with.
bool SurrogateAtEnd(std::u16string_view text) {
    return !text.empty() && ((text.front() >= 0xDC00 && text.front() <= 0xDFFF) ||
                             (text.back() >= 0xD800 && text.back() <= 0xDBFF));
}

}  // namespace

void ByteKeys::Build(std::u16string_view text, std::span<const LinkedEntry> linked) {
    const std::vector<KeyLine> lines = ReadKeyLines(text, linked);

    // Every page is made before any slot is filled: the slots never move.
    std::bitset<0x100> leadsLonger;
    std::bitset<0x10000> leadsThree;
    for (const KeyLine& line : lines) {
        if (line.byteCount >= 2) leadsLonger.set(line.value >> (8 * (line.byteCount - 1)));
        if (line.byteCount == 3) leadsThree.set(line.value >> 8);
    }
    m_slots.assign((1 + leadsLonger.count() + leadsThree.count()) * kPage, Slot{});
    std::uint32_t pages = 1;
    // The slot a key ends in, making the pages on its way.
    const auto slotOf = [&](const KeyLine& line) -> Slot& {
        Slot* slot = &m_slots[line.value >> (8 * (line.byteCount - 1))];
        for (int shift = 8 * (line.byteCount - 2); shift >= 0; shift -= 8) {
            if (slot->page == 0) slot->page = pages++;
            slot = &m_slots[std::size_t{slot->page} * kPage + ((line.value >> shift) & 0xFF)];
        }
        return *slot;
    };

    m_entries.assign(1, ByteEntry{});
    m_firstBytes.reset();
    std::string utf8;
    std::vector<std::size_t> utf8Starts(1, 0);
    const auto resolve = [&](const KeyLine& line) {
        m_firstBytes.set(line.value >> (8 * (line.byteCount - 1)));
        Slot& slot = slotOf(line);
        if (slot.entry != 0) return;
        const std::u16string_view entryText = text.substr(line.text, line.length);
        utf8Starts.push_back(utf8.size());
        AppendUtf8(utf8, entryText);
        const auto utf8Length = static_cast<std::uint32_t>(utf8.size() - utf8Starts.back());
        const bool plain = line.parameters == 0 && utf8Length <= kPadding && !SurrogateAtEnd(entryText);
        slot.entry = static_cast<std::uint32_t>(m_entries.size());
        m_entries.push_back({line.text, line.length, nullptr, utf8Length, line.byteCount, line.parameters, plain});
    };
    // Upper-case keys first: they win over lower-case keys wherever these stand.
    for (const KeyLine& line : lines)
        if (line.upper) resolve(line);
    for (const KeyLine& line : lines)
        if (line.lower) resolve(line);

    m_utf8.assign(utf8.begin(), utf8.end());
    m_utf8.resize(m_utf8.size() + kPadding, '\0');
    for (std::size_t i = 0; i < m_entries.size(); ++i) m_entries[i].utf8 = m_utf8.data() + utf8Starts[i];
}

const ByteKeys::Slot ByteKeys::View::kNoKeys[ByteKeys::kPage] = {};
const ByteEntry ByteKeys::View::kNothing = {};

}  // namespace quorvex::tableindex
