#pragma once
// Text to bytes: which "=" of the table text a run of script characters
// matches, and the key bytes of the line that "=" stands in.
#include "chartable/CharTable.h"
#include "chartable/PagedMap.h"

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace quorvex::tableindex {

class TextIndex {
public:
    // Indexes every "=" of the framed table text that is followed by a
    // non-empty text and a CR, with the key its line's start reads as.
    void Build(std::u16string_view text);

    // CharTable::LookupText over the text the index was built from.
    [[nodiscard]] CharTable::TextMatch Lookup(std::u16string_view text, std::u16string_view script, std::size_t pos,
                                              std::size_t limit) const;
    // CharTable::OnlyMatchOf.
    [[nodiscard]] bool OnlyMatchOf(char16_t c, CharTable::TextMatch& match) const;
    // CharTable::FindTextMatches over the text the index was built from.
    void FindAll(std::u16string_view text, std::u16string_view script, std::size_t pos, std::size_t limit,
                 std::vector<CharTable::TextMatch>& matches) const;

    // The first byte of every key that some "=" gives at least one byte.
    [[nodiscard]] const std::bitset<0x100>& firstBytes() const noexcept { return m_firstBytes; }

private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    struct KeyBytes {
        std::uint8_t bytes[3] = {0, 0, 0};
        std::uint8_t count = 0;
    };
    // Every "=" of the table text, in order; only those followed by a
    // non-empty text and a CR are linked into a chain.
    struct EqualsSign {
        std::size_t position = 0;
        std::size_t next = kNone;  // the next "=" with the same hash and length
        KeyBytes key;              // of the line holding this "="
    };
    // Open addressing over (hash, length) of the text after an "=", each slot
    // heading an ascending chain of signs.
    struct Slot {
        std::uint64_t hash = 0;
        std::size_t length = 0;
        std::size_t head = kNone;
    };

    static KeyBytes ReadLineKey(std::u16string_view text, std::size_t from, std::size_t equals);
    static CharTable::TextMatch MatchOf(const KeyBytes& key, std::size_t length);

    [[nodiscard]] std::size_t SlotFor(std::uint64_t hash, std::size_t length) const;
    static void AddBit(std::vector<std::uint64_t>& bits, std::size_t mask, std::uint64_t hash, std::size_t length);
    [[nodiscard]] static bool HasBit(const std::vector<std::uint64_t>& bits, std::size_t mask, std::uint64_t hash,
                                     std::size_t length);
    // The key of the single-character entry for c, when c begins no longer text.
    [[nodiscard]] bool IsOnlySingle(char16_t c, std::size_t limit) const;
    [[nodiscard]] CharTable::TextMatch SingleMatch(char16_t c) const;
    // Hashes of the first n characters of candidate into hashes[n], for every
    // n that can still match; returns the greatest such n.
    std::size_t HashPrefixes(std::u16string_view candidate, std::size_t limit, std::vector<std::uint64_t>& longHashes,
                             std::uint64_t*& hashes, std::uint64_t* shortHashes) const;
    // The first sign whose text is the n characters of candidate; null for none.
    [[nodiscard]] const EqualsSign* FirstSign(std::u16string_view text, std::u16string_view candidate, std::size_t n,
                                              std::uint64_t hash) const;

    std::vector<EqualsSign> m_signs;
    std::vector<Slot> m_slots;
    std::size_t m_mask = 0;

    // Bits set for (hash, length) of every prefix, up to kFilteredLength
    // characters, of every text in a chain. A clear bit proves that no entry
    // text starts with those characters, so no longer candidate can match
    // either: a lookup stops growing there instead of trying every length up
    // to longestTextLength.
    static constexpr std::size_t kFilteredLength = 32;
    std::vector<std::uint64_t> m_prefixBits;
    std::size_t m_prefixMask = 0;
    // The same for whole texts only: FindAll, which wants every length that
    // matches, probes the chains only for lengths that pass it.
    std::vector<std::uint64_t> m_textBits;
    std::size_t m_textMask = 0;
    // Every length that a chained text has, ascending. Only these lengths can
    // match, so a lookup hashes no further than the longest of them that fits:
    // one 1 MiB entry no longer makes every lookup on a long line cost the
    // rest of that line.
    std::vector<std::size_t> m_textLengths;

    // Most characters of a script are entries of one character that begin no
    // longer text (a kanji, a letter, a space): for those the answer is read
    // directly. m_singleSign: the key bytes of the first sign whose text is
    // exactly that character (0x80000000 | count << 24 | the three bytes), 0
    // for none; m_startsLonger: a bit per character that begins a text of two
    // or more characters.
    PagedMap m_singleSign;
    std::vector<std::uint64_t> m_startsLonger;

    std::bitset<0x100> m_firstBytes;
};

}  // namespace quorvex::tableindex
