#include "chartable/TextIndex.h"

#include "chartable/Hashing.h"
#include "platform/Numbers.h"

#include <algorithm>
#include <cwctype>
#include <iterator>
#include <utility>

namespace quorvex::tableindex {

// The bytes that "%02x%02x%02x" reads from the line starting at `from`, whose
// first "=" stands at `equals`. Read once per line at load, so a match costs
// nothing more.
TextIndex::KeyBytes TextIndex::ReadLineKey(std::u16string_view text, std::size_t from, std::size_t equals) {
    KeyBytes key;
    // Nearly every line starts with its digits: read them directly, as the scan would.
    std::size_t digits = 0;
    while (digits < 6 && from + digits < equals && HexDigitValue(text[from + digits]) >= 0) ++digits;
    if (digits == 6 || from + digits == equals) {
        for (std::size_t i = 0; i < digits; ++i) {
            std::uint8_t& byte = key.bytes[i / 2];
            byte = static_cast<std::uint8_t>((byte << 4) | HexDigitValue(text[from + i]));
        }
        key.count = static_cast<std::uint8_t>((digits + 1) / 2);
        return key;
    }

    // The scan can never pass the "=", and skips a run of white space as it
    // would a single space, so it is handed a copy with such runs collapsed and
    // cut off well beyond what the three fields can consume: a key spread over
    // a million spaces costs one pass here, not a million-character copy.
    constexpr int kEnough = 16;  // three fields of width 2, with room for signs, prefixes and look-ahead
    std::u16string shortened;
    int kept = 0;
    bool inSpace = false;
    for (std::size_t i = from; i <= equals && kept < kEnough; ++i) {
        const char16_t c = text[i];
        if (std::iswspace(static_cast<std::wint_t>(c))) {
            if (!inSpace) shortened.push_back(u' ');
            inSpace = true;
            continue;
        }
        inSpace = false;
        shortened.push_back(c);
        ++kept;
    }
    const int count = ScanKeyBytes(shortened, key.bytes);
    key.count = static_cast<std::uint8_t>(std::clamp(count, 0, 3));
    return key;
}

CharTable::TextMatch TextIndex::MatchOf(const KeyBytes& key, std::size_t length) {
    CharTable::TextMatch match;
    match.length = static_cast<int>(length);
    std::copy(std::begin(key.bytes), std::end(key.bytes), match.bytes);
    match.byteCount = key.count;
    return match;
}

std::size_t TextIndex::SlotFor(std::uint64_t hash, std::size_t length) const {
    std::size_t i = Spread(hash, length) & m_mask;
    while (m_slots[i].head != kNone && (m_slots[i].hash != hash || m_slots[i].length != length)) i = (i + 1) & m_mask;
    return i;
}

void TextIndex::AddBit(std::vector<std::uint64_t>& bits, std::size_t mask, std::uint64_t hash, std::size_t length) {
    const std::size_t bit = Spread(hash, length) & mask;
    bits[bit / 64] |= std::uint64_t{1} << (bit % 64);
}

bool TextIndex::HasBit(const std::vector<std::uint64_t>& bits, std::size_t mask, std::uint64_t hash,
                       std::size_t length) {
    const std::size_t bit = Spread(hash, length) & mask;
    return (bits[bit / 64] >> (bit % 64)) & 1u;
}

void TextIndex::Build(std::u16string_view text) {
    // Forward: every "=" with the key of its line, read once per line.
    std::size_t lineStart = 0;
    bool lineKeyRead = false;
    KeyBytes lineKey;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\n') {
            lineStart = i + 1;
            lineKeyRead = false;
        } else if (c == u'=') {
            if (!lineKeyRead) {
                lineKey = ReadLineKey(text, lineStart, i);
                lineKeyRead = true;
                if (lineKey.count > 0) m_firstBytes.set(lineKey.bytes[0]);
            }
            m_signs.push_back({i, kNone, lineKey});
        }
    }

    std::size_t capacity = 16;
    while (capacity < m_signs.size() * 2) capacity *= 2;
    m_slots.assign(capacity, Slot{});
    m_mask = capacity - 1;

    // Backward: the hash of the text from each position to the next CR grows by
    // one character per step, and walking down makes every chain ascending.
    std::uint64_t hash = 0;
    std::size_t nextCr = kNone;
    std::size_t sign = m_signs.size();
    std::size_t prefixCount = 0;
    m_startsLonger.assign(0x10000 / 64, 0);
    std::vector<std::pair<std::size_t, std::size_t>> linked;  // text start and length of every chained sign
    for (std::size_t i = text.size(); i-- > 0;) {
        const char16_t c = text[i];
        if (c == u'=') {
            --sign;
            // Text with no CR after it, or an empty text, can never be matched.
            if (nextCr != kNone && nextCr > i + 1) {
                const std::size_t length = nextCr - (i + 1);
                Slot& slot = m_slots[SlotFor(hash, length)];
                m_signs[sign].next = slot.head;
                slot.hash = hash;
                slot.length = length;
                slot.head = sign;
                linked.emplace_back(i + 1, length);
                prefixCount += std::min(length, kFilteredLength);
                // Walking down, the last sign met for a character is its first.
                const char16_t first = text[i + 1];
                if (length == 1) {
                    const KeyBytes& key = m_signs[sign].key;
                    m_singleSign.At(first) = 0x80000000u | static_cast<std::uint32_t>(key.count) << 24 |
                                             static_cast<std::uint32_t>(key.bytes[0]) << 16 |
                                             static_cast<std::uint32_t>(key.bytes[1]) << 8 | key.bytes[2];
                } else {
                    m_startsLonger[first / 64] |= std::uint64_t{1} << (first % 64);
                }
            }
        }
        if (c == u'\r') {
            hash = 0;
            nextCr = i;
        } else {
            hash = AddMod(CharWeight(c), MulMod(kBase, hash));
        }
    }

    // About one bit in sixteen set keeps false passes rare; they only cost a
    // probe. A table of endless "=" runs would ask for far more: the filter is
    // then fuller, never wrong.
    constexpr std::size_t kMostBits = std::size_t{1} << 26;
    std::size_t bits = 64;
    while (bits < prefixCount * 16 && bits < kMostBits) bits *= 2;
    m_prefixBits.assign(bits / 64, 0);
    m_prefixMask = bits - 1;
    std::size_t textBits = 64;
    while (textBits < linked.size() * 16 && textBits < kMostBits) textBits *= 2;
    m_textBits.assign(textBits / 64, 0);
    m_textMask = textBits - 1;
    for (const auto& entry : linked) m_textLengths.push_back(entry.second);
    std::sort(m_textLengths.begin(), m_textLengths.end());
    m_textLengths.erase(std::unique(m_textLengths.begin(), m_textLengths.end()), m_textLengths.end());
    for (const auto& [start, length] : linked) {
        std::uint64_t prefixHash = 0;
        std::uint64_t power = 1;
        for (std::size_t n = 1; n <= std::min(length, kFilteredLength); ++n) {
            prefixHash = AddMod(prefixHash, MulMod(CharWeight(text[start + n - 1]), power));
            power = MulMod(power, kBase);
            AddBit(m_prefixBits, m_prefixMask, prefixHash, n);
        }
        if (length <= kFilteredLength) AddBit(m_textBits, m_textMask, prefixHash, length);
    }
}

bool TextIndex::IsOnlySingle(char16_t c, std::size_t limit) const {
    return limit == 1 || !((m_startsLonger[c / 64] >> (c % 64)) & 1u);
}

CharTable::TextMatch TextIndex::SingleMatch(char16_t c) const {
    const std::uint32_t single = m_singleSign.Get(c);
    // Built in one expression: this is the path of nearly every character.
    return single == 0 ? CharTable::TextMatch{}
                       : CharTable::TextMatch{1,
                                              {static_cast<std::uint8_t>(single >> 16),
                                               static_cast<std::uint8_t>(single >> 8),
                                               static_cast<std::uint8_t>(single)},
                                              static_cast<int>((single >> 24) & 3u)};
}

bool TextIndex::OnlyMatchOf(char16_t c, CharTable::TextMatch& match) const {
    if (!IsOnlySingle(c, 2)) return false;
    match = SingleMatch(c);
    return true;
}

std::size_t TextIndex::HashPrefixes(std::u16string_view candidate, std::size_t limit,
                                    std::vector<std::uint64_t>& longHashes, std::uint64_t*& hashes,
                                    std::uint64_t* shortHashes) const {
    const auto fits = std::upper_bound(m_textLengths.begin(), m_textLengths.end(), limit);
    if (fits == m_textLengths.begin()) return 0;
    limit = *(fits - 1);

    hashes = shortHashes;
    if (limit > kFilteredLength) {
        longHashes.resize(limit + 1);
        hashes = longHashes.data();
    }
    hashes[0] = 0;
    std::uint64_t power = 1;
    for (std::size_t n = 1; n <= limit; ++n) {
        if (candidate[n - 1] == u'\r') return n - 1;
        hashes[n] = AddMod(hashes[n - 1], MulMod(CharWeight(candidate[n - 1]), power));
        power = MulMod(power, kBase);
        // No entry text starts with these n characters: nothing longer can match.
        if (n <= kFilteredLength && !HasBit(m_prefixBits, m_prefixMask, hashes[n], n)) return n - 1;
    }
    return limit;
}

const TextIndex::EqualsSign* TextIndex::FirstSign(std::u16string_view text, std::u16string_view candidate,
                                                  std::size_t n, std::uint64_t hash) const {
    const Slot& slot = m_slots[SlotFor(hash, n)];
    for (std::size_t s = slot.head; s != kNone; s = m_signs[s].next) {
        const EqualsSign& sign = m_signs[s];
        if (text.substr(sign.position + 1, n) == candidate.substr(0, n)) return &sign;
    }
    return nullptr;
}

CharTable::TextMatch TextIndex::Lookup(std::u16string_view text, std::u16string_view script, std::size_t pos,
                                       std::size_t limit) const {
    const std::u16string_view candidate = script.substr(pos, limit);
    // A match never runs past the line: the CR ends the line, not an entry's text.
    const char16_t first = candidate[0];
    if (first == u'\r') return {};
    if (IsOnlySingle(first, limit)) return SingleMatch(first);

    // Called for every character of a script: the usual lengths need no allocation.
    std::uint64_t shortHashes[kFilteredLength + 1];
    std::vector<std::uint64_t> longHashes;
    std::uint64_t* hashes = nullptr;
    limit = HashPrefixes(candidate, limit, longHashes, hashes, shortHashes);
    for (auto length = std::upper_bound(m_textLengths.begin(), m_textLengths.end(), limit);
         length != m_textLengths.begin();) {
        const std::size_t n = *--length;
        if (const EqualsSign* sign = FirstSign(text, candidate, n, hashes[n])) return MatchOf(sign->key, n);
    }
    return {};
}

void TextIndex::FindAll(std::u16string_view text, std::u16string_view script, std::size_t pos, std::size_t limit,
                        std::vector<CharTable::TextMatch>& matches) const {
    const std::u16string_view candidate = script.substr(pos, limit);
    const char16_t first = candidate[0];
    if (first == u'\r') return;
    if (IsOnlySingle(first, limit)) {
        const CharTable::TextMatch single = SingleMatch(first);
        if (single.length > 0) matches.push_back(single);
        return;
    }

    std::uint64_t shortHashes[kFilteredLength + 1];
    std::vector<std::uint64_t> longHashes;
    std::uint64_t* hashes = nullptr;
    limit = HashPrefixes(candidate, limit, longHashes, hashes, shortHashes);
    for (auto length = m_textLengths.begin(); length != m_textLengths.end() && *length <= limit; ++length) {
        if (*length <= kFilteredLength && !HasBit(m_textBits, m_textMask, hashes[*length], *length)) continue;
        if (const EqualsSign* sign = FirstSign(text, candidate, *length, hashes[*length]))
            matches.push_back(MatchOf(sign->key, *length));
    }
}

}  // namespace quorvex::tableindex
