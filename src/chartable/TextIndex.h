#pragma once
// Text to bytes: which "=" of the table text a run of script characters
// matches, and the key bytes of the line that "=" stands in.
#include "chartable/CharTable.h"
#include "chartable/TextMatcher.h"
#include "chartable/TextTrie.h"

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

namespace quorvex::tableindex {

class TextIndex {
public:
    // Indexes every "=" of the framed table text that is followed by a
    // non-empty text and a CR, with the key its line's start reads as. The
    // text must outlive the index.
    void Build(std::u16string_view text);

    // CharTable::LookupText over the text the index was built from.
    [[nodiscard]] CharTable::TextMatch Lookup(std::u16string_view script, std::size_t pos, std::size_t limit) const;
    // CharTable::FindTextMatches over the text the index was built from.
    void FindAll(std::u16string_view script, std::size_t pos, std::size_t limit,
                 std::vector<CharTable::TextMatch>& matches) const;

    // The matcher of the texts, built when first asked for; text is the one
    // the index was built from (the same characters, wherever they are now).
    [[nodiscard]] const TextMatcher& Matcher(std::u16string_view text) const;

    // Sets, for every character that begins an entry text, what the reverse
    // lookup gives for it alone (the packed key of its one-character entry,
    // or 0) when it begins no longer text, and beginsLonger when it does.
    void FillCharacters(PagedMap& characters, std::uint32_t beginsLonger) const;

    // The first byte of every key that some "=" gives at least one byte.
    [[nodiscard]] const std::bitset<0x100>& firstBytes() const noexcept { return m_firstBytes; }

private:
    struct KeyBytes {
        std::uint8_t bytes[3] = {0, 0, 0};
        std::uint8_t count = 0;
    };
    static KeyBytes ReadLineKey(std::u16string_view text, std::size_t from, std::size_t equals);

    // The texts after every "=", each with the key of the first "=" that has it.
    TextTrie m_texts;
    // What was added to m_texts, in order, by place: a table small enough to
    // be held inside its string object moves with it.
    struct TextAt {
        std::size_t start = 0;
        std::size_t length = 0;
        TextTrie::Value value = 0;
    };
    std::vector<TextAt> m_entries;
    // Built when first asked for: only the shortest encoding uses it.
    mutable std::once_flag m_matcherBuilt;
    mutable std::unique_ptr<TextMatcher> m_matcher;
    std::vector<char16_t> m_firstCharacters;  // of the texts, ascending, each once
    std::bitset<0x100> m_firstBytes;
};

}  // namespace quorvex::tableindex
