#include "chartable/CharTable.h"

#include "platform/Files.h"
#include "platform/Numbers.h"

#include <algorithm>
#include <cwctype>
#include <limits>
#include <unordered_map>
#include <vector>

namespace quorvex {
namespace {

constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

// Polynomial hashing modulo the Mersenne prime 2^61 - 1: H(s) = sum (s[k] + 1) * B^k.
// A hash only proposes candidates; every candidate is confirmed character by
// character, so a collision can cost time but never change a result.
constexpr std::uint64_t kModulus = (std::uint64_t{1} << 61) - 1;
constexpr std::uint64_t kBase = 0x1F3D5B79A2C4E687ULL % kModulus;

__extension__ typedef unsigned __int128 Wide;

std::uint64_t MulMod(std::uint64_t a, std::uint64_t b) {
    const Wide product = static_cast<Wide>(a) * b;
    std::uint64_t folded = static_cast<std::uint64_t>(product & kModulus) + static_cast<std::uint64_t>(product >> 61);
    if (folded >= kModulus) folded -= kModulus;
    return folded;
}

std::uint64_t AddMod(std::uint64_t a, std::uint64_t b) {
    std::uint64_t sum = a + b;
    if (sum >= kModulus) sum -= kModulus;
    return sum;
}

std::uint64_t CharWeight(char16_t c) {
    return static_cast<std::uint64_t>(c) + 1;
}

// Spreads a (hash, length) pair over a power-of-two table. The hash of a
// one-character text is that character plus one, so without mixing a block
// of consecutive characters (a kanji table) fills one long run of slots that
// every unlucky probe has to walk.
std::size_t Spread(std::uint64_t hash, std::size_t length) {
    std::uint64_t z = hash ^ (static_cast<std::uint64_t>(length) * 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return static_cast<std::size_t>(z ^ (z >> 31));
}

int HexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    return -1;
}

std::int32_t ComputeLongestTextLength(std::u16string_view text) {
    std::size_t longest = 0;
    std::size_t start = 0;
    for (;;) {
        const std::size_t pair = text.find(u"\r\n", start);
        std::size_t end = pair;
        if (pair == std::u16string_view::npos) {
            // The rest is a last line without line end only when more than the appended CR is left.
            if (text.size() - start <= 1) break;
            end = text.size() - 1;
        }
        const std::size_t equals = text.substr(start, end - start).find(u'=');
        if (equals != std::u16string_view::npos) longest = std::max(longest, end - (start + equals) - 1);
        if (pair == std::u16string_view::npos) break;
        start = pair + 2;
    }
    return static_cast<std::int32_t>(std::min<std::size_t>(longest, std::numeric_limits<std::int32_t>::max()));
}

// A map from 16-bit keys to 32-bit values (0 for none) in pages of 256, so
// that a table using a few blocks of characters or lead bytes keeps its
// lookups in a few kilobytes of cache instead of a quarter megabyte.
class PagedMap {
public:
    PagedMap() : m_values(kPage, 0) {}
    [[nodiscard]] std::uint32_t Get(std::uint32_t key) const {
        return m_values[m_pages[(key >> 8) & 0xFF] * kPage + (key & 0xFF)];
    }
    // The value's place; valid until the next call.
    std::uint32_t& At(std::uint32_t key) {
        std::uint32_t& page = m_pages[(key >> 8) & 0xFF];
        if (page == 0) {
            page = static_cast<std::uint32_t>(m_values.size() / kPage);
            m_values.resize(m_values.size() + kPage, 0);
        }
        return m_values[page * kPage + (key & 0xFF)];
    }

private:
    static constexpr std::size_t kPage = 0x100;
    std::uint32_t m_pages[0x100] = {};  // 0: the shared empty page
    std::vector<std::uint32_t> m_values;
};

struct KeyBytes {
    std::uint8_t bytes[3] = {0, 0, 0};
    std::uint8_t count = 0;
};

// The bytes that "%02x%02x%02x" reads from the line starting at `from`, whose
// first "=" stands at `equals`. Read once per line at load, so a match costs
// nothing more.
KeyBytes ReadLineKey(std::u16string_view text, std::size_t from, std::size_t equals) {
    KeyBytes key;
    // Nearly every line starts with its digits: read them directly, as the scan would.
    std::size_t digits = 0;
    while (digits < 6 && from + digits < equals && HexValue(text[from + digits]) >= 0) ++digits;
    if (digits == 6 || from + digits == equals) {
        for (std::size_t i = 0; i < digits; ++i) {
            std::uint8_t& byte = key.bytes[i / 2];
            byte = static_cast<std::uint8_t>((byte << 4) | HexValue(text[from + i]));
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

}  // namespace

struct CharTable::Index {
    // Byte keys: the first entry per key length and value, for keys written
    // without lower-case letters (upper) and without upper-case letters (lower).
    // Used while loading; lookups use the resolved tables below.
    struct Entry {
        std::size_t start = 0;  // first character of the entry's text
        std::size_t length = 0;
    };
    std::unordered_map<std::uint32_t, Entry> upper;
    std::unordered_map<std::uint32_t, Entry> lower;

    // What a byte lookup finds for each key: the upper-case entry, else the
    // lower-case one. One- and two-byte keys are looked up directly (index + 1
    // into `resolved`, 0 for none); three-byte keys only when some three-byte
    // key starts with the same two bytes, which few do.
    std::vector<Entry> resolved;
    std::uint32_t oneByte[0x100] = {};
    PagedMap twoBytes;
    std::vector<std::uint64_t> threeByteLeads;  // a bit per first two bytes
    // Open addressing: value << 32 | key, 0 for an empty slot.
    std::vector<std::uint64_t> threeBytes;
    std::size_t threeMask = 0;

    [[nodiscard]] std::size_t ThreeByteSlot(std::uint32_t key) const {
        std::size_t i = Spread(key, 3) & threeMask;
        while (threeBytes[i] != 0 && static_cast<std::uint32_t>(threeBytes[i]) != key) i = (i + 1) & threeMask;
        return i;
    }

    void ResolveByteKeys();
    [[nodiscard]] const Entry* FindByteKey(std::size_t length, std::uint32_t value) const {
        std::uint32_t found = 0;
        if (length == 1) {
            found = oneByte[value];
        } else if (length == 2) {
            found = twoBytes.Get(value);
        } else if ((threeByteLeads[value >> 14] >> ((value >> 8) & 63)) & 1u) {
            found = static_cast<std::uint32_t>(threeBytes[ThreeByteSlot(value)] >> 32);
        }
        return found == 0 ? nullptr : &resolved[found - 1];
    }

    // Every "=" of the table text, in order; only those followed by a
    // non-empty text and a CR are linked into a chain.
    struct EqualsSign {
        std::size_t position = 0;
        std::size_t next = kNone;  // the next "=" with the same hash and length
        KeyBytes key;              // of the line holding this "="
    };
    std::vector<EqualsSign> signs;

    // Open addressing over (hash, length) of the text after an "=", each slot
    // heading an ascending chain of signs.
    struct Slot {
        std::uint64_t hash = 0;
        std::size_t length = 0;
        std::size_t head = kNone;
    };
    std::vector<Slot> slots;
    std::size_t mask = 0;

    // Bits set for (hash, length) of every prefix, up to kFilteredLength
    // characters, of every text in a chain. A clear bit proves that no entry
    // text starts with those characters, so no longer candidate can match
    // either: the reverse lookup stops growing there instead of trying every
    // length up to longestTextLength.
    static constexpr std::size_t kFilteredLength = 32;
    std::vector<std::uint64_t> prefixBits;
    // Every length that a chained text has, ascending. Only these lengths can
    // match, so a lookup hashes no further than the longest of them that fits:
    // one 1 MiB entry no longer makes every lookup on a long line cost the
    // rest of that line.
    std::vector<std::size_t> textLengths;
    std::size_t prefixMask = 0;

    // Most characters of a script are entries of one character that begin no
    // longer text (a kanji, a letter, a space): for those the answer is read
    // directly. singleSign: the key bytes of the first sign whose text is
    // exactly that character (0x80000000 | count << 24 | the three bytes), 0 for
    // none; startsLonger: a bit per character that begins a text of two or more
    // characters.
    PagedMap singleSign;
    std::vector<std::uint64_t> startsLonger;

    void AddPrefix(std::uint64_t hash, std::size_t length) {
        const std::size_t bit = Spread(hash, length) & prefixMask;
        prefixBits[bit / 64] |= std::uint64_t{1} << (bit % 64);
    }
    [[nodiscard]] bool MayBePrefix(std::uint64_t hash, std::size_t length) const {
        const std::size_t bit = Spread(hash, length) & prefixMask;
        return (prefixBits[bit / 64] >> (bit % 64)) & 1u;
    }

    static std::uint32_t ByteKey(std::size_t length, std::uint32_t value) {
        return static_cast<std::uint32_t>(length << 24) | value;
    }

    [[nodiscard]] std::size_t SlotFor(std::uint64_t hash, std::size_t length) const {
        std::size_t i = Spread(hash, length) & mask;
        while (slots[i].head != kNone && (slots[i].hash != hash || slots[i].length != length)) i = (i + 1) & mask;
        return i;
    }

    void BuildByteKeys(std::u16string_view text);
    void BuildTextIndex(std::u16string_view text);
};

void CharTable::Index::BuildByteKeys(std::u16string_view text) {
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
            const int v = HexValue(c);
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
        const Entry entry{equals + 1, textEnd(equals + 1) - (equals + 1)};
        if (wantUpper) upper.emplace(key, entry);
        if (wantLower) lower.emplace(key, entry);
    }
}

void CharTable::Index::ResolveByteKeys() {
    threeByteLeads.assign(0x10000 / 64, 0);
    std::size_t capacity = 16;
    while (capacity < (upper.size() + lower.size()) * 2) capacity *= 2;
    threeBytes.assign(capacity, 0);
    threeMask = capacity - 1;
    auto resolve = [&](std::uint32_t key, const Entry& entry) {
        const std::size_t length = key >> 24;
        const std::uint32_t value = key & 0xFFFFFFu;
        if (length == 3) {
            std::uint64_t& slot = threeBytes[ThreeByteSlot(value)];
            if (slot != 0) return;
            resolved.push_back(entry);
            slot = static_cast<std::uint64_t>(resolved.size()) << 32 | value;
            threeByteLeads[value >> 14] |= std::uint64_t{1} << ((value >> 8) & 63);
            return;
        }
        std::uint32_t& slot = length == 1 ? oneByte[value] : twoBytes.At(value);
        if (slot != 0) return;
        resolved.push_back(entry);
        slot = static_cast<std::uint32_t>(resolved.size());
    };
    // Upper-case keys first: they win over lower-case keys wherever these stand.
    for (const auto& [key, entry] : upper) resolve(key, entry);
    for (const auto& [key, entry] : lower) resolve(key, entry);
    upper.clear();
    lower.clear();
}

void CharTable::Index::BuildTextIndex(std::u16string_view text) {
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
            }
            signs.push_back({i, kNone, lineKey});
        }
    }

    std::size_t capacity = 16;
    while (capacity < signs.size() * 2) capacity *= 2;
    slots.assign(capacity, Slot{});
    mask = capacity - 1;

    // Backward: the hash of the text from each position to the next CR grows by
    // one character per step, and walking down makes every chain ascending.
    std::uint64_t hash = 0;
    std::size_t nextCr = kNone;
    std::size_t sign = signs.size();
    std::size_t prefixCount = 0;
    startsLonger.assign(0x10000 / 64, 0);
    std::vector<std::pair<std::size_t, std::size_t>> linked;  // text start and length of every chained sign
    for (std::size_t i = text.size(); i-- > 0;) {
        const char16_t c = text[i];
        if (c == u'=') {
            --sign;
            // Text with no CR after it, or an empty text, can never be matched.
            if (nextCr != kNone && nextCr > i + 1) {
                const std::size_t length = nextCr - (i + 1);
                Slot& slot = slots[SlotFor(hash, length)];
                signs[sign].next = slot.head;
                slot.hash = hash;
                slot.length = length;
                slot.head = sign;
                linked.emplace_back(i + 1, length);
                prefixCount += std::min(length, kFilteredLength);
                // Walking down, the last sign met for a character is its first.
                const char16_t first = text[i + 1];
                if (length == 1) {
                    const KeyBytes& key = signs[sign].key;
                    singleSign.At(first) = 0x80000000u | static_cast<std::uint32_t>(key.count) << 24 |
                                           static_cast<std::uint32_t>(key.bytes[0]) << 16 |
                                           static_cast<std::uint32_t>(key.bytes[1]) << 8 | key.bytes[2];
                } else {
                    startsLonger[first / 64] |= std::uint64_t{1} << (first % 64);
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
    prefixBits.assign(bits / 64, 0);
    prefixMask = bits - 1;
    for (const auto& entry : linked) textLengths.push_back(entry.second);
    std::sort(textLengths.begin(), textLengths.end());
    textLengths.erase(std::unique(textLengths.begin(), textLengths.end()), textLengths.end());
    for (const auto& [start, length] : linked) {
        std::uint64_t prefixHash = 0;
        std::uint64_t power = 1;
        for (std::size_t n = 1; n <= std::min(length, kFilteredLength); ++n) {
            prefixHash = AddMod(prefixHash, MulMod(CharWeight(text[start + n - 1]), power));
            power = MulMod(power, kBase);
            AddPrefix(prefixHash, n);
        }
    }
}

CharTable::CharTable(std::u16string text, std::int32_t longestTextLength, std::unique_ptr<Index> index)
    : m_text(std::move(text)), m_longestTextLength(longestTextLength), m_index(std::move(index)) {}

CharTable::CharTable(CharTable&&) noexcept = default;
CharTable& CharTable::operator=(CharTable&&) noexcept = default;
CharTable::~CharTable() = default;

CharTable CharTable::FromText(std::u16string_view fileText) {
    std::u16string text;
    text.reserve(fileText.size() + 2);
    text.push_back(u'\n');
    text.append(fileText);
    text.push_back(u'\r');

    auto index = std::make_unique<Index>();
    index->BuildByteKeys(text);
    index->ResolveByteKeys();
    index->BuildTextIndex(text);
    const std::int32_t longest = ComputeLongestTextLength(text);
    return CharTable(std::move(text), longest, std::move(index));
}

CharTable CharTable::LoadFile(const std::filesystem::path& path, const TextDecoding& decoding) {
    const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
    return FromText(DecodeTextFile(bytes, decoding));
}

std::optional<CharTable::ByteMatch> CharTable::LookupBytes(std::span<const std::uint16_t> bytes, std::size_t p) const {
    if (!m_index || p >= bytes.size()) return std::nullopt;
    for (std::size_t length = 3; length >= 1; --length) {
        if (bytes.size() - p < length) continue;
        std::uint32_t value = 0;
        bool fits = true;
        for (std::size_t i = 0; i < length; ++i) {
            // A value above 0xFF would print as more than two digits: no entry key can hold it.
            fits = fits && bytes[p + i] <= 0xFF;
            value = (value << 8) | (bytes[p + i] & 0xFFu);
        }
        if (!fits) continue;
        if (const Index::Entry* found = m_index->FindByteKey(length, value))
            return ByteMatch{std::u16string_view(m_text).substr(found->start, found->length), static_cast<int>(length)};
    }
    return std::nullopt;
}

CharTable::TextMatch CharTable::LookupText(std::u16string_view script, std::size_t pos,
                                           std::int32_t longestTextLength) const {
    if (!m_index || longestTextLength <= 0 || pos >= script.size()) return {};
    std::size_t limit = std::min<std::size_t>(static_cast<std::size_t>(longestTextLength), script.size() - pos);
    const std::u16string_view candidate = script.substr(pos, limit);
    // A match never runs past the line: the CR ends the line, not an entry's text.
    const char16_t first = candidate[0];
    if (first == u'\r') return {};

    if (limit == 1 || !((m_index->startsLonger[first / 64] >> (first % 64)) & 1u)) {
        const std::uint32_t single = m_index->singleSign.Get(first);
        // Built in one expression: this is the path of nearly every character.
        return single == 0 ? TextMatch{}
                           : TextMatch{1,
                                       {static_cast<std::uint8_t>(single >> 16), static_cast<std::uint8_t>(single >> 8),
                                        static_cast<std::uint8_t>(single)},
                                       static_cast<int>((single >> 24) & 3u)};
    }

    const std::vector<std::size_t>& lengths = m_index->textLengths;
    const auto fits = std::upper_bound(lengths.begin(), lengths.end(), limit);
    if (fits == lengths.begin()) return {};
    limit = *(fits - 1);

    // Called for every character of a script: the usual lengths need no allocation.
    std::uint64_t shortHashes[Index::kFilteredLength + 1];
    std::vector<std::uint64_t> longHashes;
    std::uint64_t* hashes = shortHashes;
    if (limit > Index::kFilteredLength) {
        longHashes.resize(limit + 1);
        hashes = longHashes.data();
    }
    hashes[0] = 0;
    std::uint64_t power = 1;
    for (std::size_t n = 1; n <= limit; ++n) {
        if (candidate[n - 1] == u'\r') {
            limit = n - 1;
            break;
        }
        hashes[n] = AddMod(hashes[n - 1], MulMod(CharWeight(candidate[n - 1]), power));
        power = MulMod(power, kBase);
        if (n <= Index::kFilteredLength && !m_index->MayBePrefix(hashes[n], n)) {
            // No entry text starts with these n characters: nothing longer can match.
            limit = n - 1;
            break;
        }
    }

    const std::u16string_view text(m_text);
    for (auto length = std::upper_bound(lengths.begin(), lengths.end(), limit); length != lengths.begin();) {
        const std::size_t n = *--length;
        const Index::Slot& slot = m_index->slots[m_index->SlotFor(hashes[n], n)];
        for (std::size_t s = slot.head; s != kNone; s = m_index->signs[s].next) {
            const Index::EqualsSign& sign = m_index->signs[s];
            if (text.substr(sign.position + 1, n) != candidate.substr(0, n)) continue;
            TextMatch match;
            match.length = static_cast<int>(n);
            std::copy(std::begin(sign.key.bytes), std::end(sign.key.bytes), match.bytes);
            match.byteCount = sign.key.count;
            return match;
        }
    }
    return {};
}

}  // namespace quorvex
