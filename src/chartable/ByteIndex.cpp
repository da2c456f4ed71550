#include "chartable/ByteIndex.h"

#include "chartable/Hashing.h"
#include "platform/Numbers.h"

#include <unordered_map>

namespace quorvex::tableindex {
namespace {

std::uint32_t ByteKey(std::size_t length, std::uint32_t value) {
    return static_cast<std::uint32_t>(length << 24) | value;
}

}  // namespace

std::size_t ByteIndex::ThreeByteSlot(std::uint32_t key) const {
    std::size_t i = Spread(key, 3) & m_threeMask;
    while (m_threeBytes[i] != 0 && static_cast<std::uint32_t>(m_threeBytes[i]) != key) i = (i + 1) & m_threeMask;
    return i;
}

void ByteIndex::Build(std::u16string_view text, std::span<const LinkedEntry> linked) {
    // The first entry per key length and value, for keys written without
    // lower-case letters (upper) and without upper-case letters (lower).
    std::unordered_map<std::uint32_t, Entry> upper;
    std::unordered_map<std::uint32_t, Entry> lower;

    // Entries are met in ascending order, so the next CR only ever moves forward.
    std::size_t nextCr = text.find(u'\r');
    auto textEnd = [&](std::size_t from) {
        if (nextCr != std::u16string_view::npos && nextCr < from) nextCr = text.find(u'\r', from);
        return nextCr == std::u16string_view::npos ? text.size() : nextCr;
    };

    for (std::size_t lf = text.find(u'\n'); lf != std::u16string_view::npos; lf = text.find(u'\n', lf + 1)) {
        std::size_t digits = 0;
        std::uint32_t value = 0;
        bool hasUpper = false;
        bool hasLower = false;
        while (digits < 7 && lf + 1 + digits < text.size()) {
            const char16_t c = text[lf + 1 + digits];
            const int v = HexDigitValue(c);
            if (v < 0) break;
            hasUpper = hasUpper || (c >= u'A' && c <= u'F');
            hasLower = hasLower || (c >= u'a' && c <= u'f');
            value = (value << 4) | static_cast<std::uint32_t>(v);
            ++digits;
        }
        const std::size_t equals = lf + 1 + digits;
        if ((digits != 2 && digits != 4 && digits != 6) || equals >= text.size() || text[equals] != u'=') continue;
        const std::uint32_t key = ByteKey(digits / 2, value);
        const bool wantUpper = !hasLower && !upper.contains(key);
        const bool wantLower = !hasUpper && !lower.contains(key);
        if (!wantUpper && !wantLower) continue;
        while (!linked.empty() && linked.front().equals < equals) linked = linked.subspan(1);
        const int parameters = !linked.empty() && linked.front().equals == equals ? linked.front().parameters : 0;
        const Entry entry{equals + 1, textEnd(equals + 1) - (equals + 1), parameters};
        if (wantUpper) upper.emplace(key, entry);
        if (wantLower) lower.emplace(key, entry);
    }

    // What a lookup finds for each key: the upper-case entry, else the lower-case one.
    m_threeByteLeads.assign(0x10000 / 64, 0);
    std::size_t capacity = 16;
    while (capacity < (upper.size() + lower.size()) * 2) capacity *= 2;
    m_threeBytes.assign(capacity, 0);
    m_threeMask = capacity - 1;
    auto resolve = [&](std::uint32_t key, const Entry& entry) {
        const std::size_t length = key >> 24;
        const std::uint32_t value = key & 0xFFFFFFu;
        m_firstBytes.set(value >> (8 * (length - 1)));
        if (length > 1) m_longerKeys[value >> (8 * (length - 1))] |= static_cast<std::uint8_t>(1u << (length - 1));
        if (length == 3) {
            std::uint64_t& slot = m_threeBytes[ThreeByteSlot(value)];
            if (slot != 0) return;
            m_resolved.push_back(entry);
            slot = static_cast<std::uint64_t>(m_resolved.size()) << 32 | value;
            m_threeByteLeads[value >> 14] |= std::uint64_t{1} << ((value >> 8) & 63);
            return;
        }
        std::uint32_t& slot = length == 1 ? m_oneByte[value] : m_twoBytes.At(value);
        if (slot != 0) return;
        m_resolved.push_back(entry);
        slot = static_cast<std::uint32_t>(m_resolved.size());
    };
    // Upper-case keys first: they win over lower-case keys wherever these stand.
    for (const auto& [key, entry] : upper) resolve(key, entry);
    for (const auto& [key, entry] : lower) resolve(key, entry);
}

}  // namespace quorvex::tableindex
