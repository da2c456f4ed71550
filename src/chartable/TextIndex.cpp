#include "chartable/TextIndex.h"

#include "platform/Numbers.h"

#include <algorithm>
#include <cwctype>

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

void TextIndex::Build(std::u16string_view text) {
    std::size_t lineStart = 0;
    bool lineKeyRead = false;
    KeyBytes lineKey;
    // Signs are met in ascending order, so the next CR only ever moves forward.
    std::size_t nextCr = text.find(u'\r');
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
            if (nextCr != std::u16string_view::npos && nextCr < i) nextCr = text.find(u'\r', i);
            // Text with no CR after it, or an empty text, can never be matched.
            if (nextCr != std::u16string_view::npos && nextCr > i + 1) {
                const TextAt entry{i + 1, nextCr - (i + 1), PackKey(lineKey.bytes, lineKey.count)};
                m_texts.Add(text.substr(entry.start, entry.length), entry.value);
                m_entries.push_back(entry);
                m_firstCharacters.push_back(text[i + 1]);
            }
        }
    }
    m_texts.Finish();
    std::sort(m_firstCharacters.begin(), m_firstCharacters.end());
    m_firstCharacters.erase(std::unique(m_firstCharacters.begin(), m_firstCharacters.end()), m_firstCharacters.end());
}

void TextIndex::FillCharacters(PagedMap& characters, std::uint32_t beginsLonger) const {
    for (const char16_t c : m_firstCharacters) {
        TextTrie::Value single = 0;
        characters.At(c) = m_texts.OnlySingle(c, single) ? single : beginsLonger;
    }
}

CharTable::TextMatch TextIndex::Lookup(std::u16string_view script, std::size_t pos, std::size_t limit) const {
    // Asked only for characters that begin a longer text: the others are read
    // directly by the caller.
    const TextTrie::Match longest = m_texts.Longest(script.substr(pos, limit));
    return UnpackKey(longest.value, static_cast<int>(longest.length));
}

void TextIndex::FindAll(std::u16string_view script, std::size_t pos, std::size_t limit,
                        std::vector<CharTable::TextMatch>& matches) const {
    m_texts.All(script.substr(pos, limit), [&](const TextTrie::Match& match) {
        matches.push_back(UnpackKey(match.value, static_cast<int>(match.length)));
    });
}

const TextMatcher& TextIndex::Matcher(std::u16string_view text) const {
    std::call_once(m_matcherBuilt, [&] {
        std::vector<TextMatcher::Entry> entries;
        entries.reserve(m_entries.size());
        for (const TextAt& entry : m_entries) entries.push_back({text.substr(entry.start, entry.length), entry.value});
        m_matcher = std::make_unique<TextMatcher>(entries);
    });
    return *m_matcher;
}

}  // namespace quorvex::tableindex
