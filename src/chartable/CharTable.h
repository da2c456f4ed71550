#pragma once
#include "chartable/ByteKeys.h"
#include "chartable/PagedMap.h"
#include "platform/CodePage.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex {

namespace tableindex {
class TextMatcher;
}

// A character table held in memory: the whole converted file framed by a LF
// in front and a CR behind, so every line (the first included) follows a LF
// and every entry's text (the last included) is ended by a CR. Lines written
// with the prefixes "/", "*" and "$" are held as the plain entries they stand
// for ("/FF" as "FF=[END]", "$F0=Name,2" as "F0=Name").
//
// Lookups give exactly the results of first-occurrence substring searches over
// that text, but through indexes built once at load, so each costs O(1) per
// candidate instead of a scan of the whole table.
class CharTable {
public:
    // Builds the table from a file's converted text (without the framing).
    [[nodiscard]] static CharTable FromText(std::u16string_view fileText);
    // Reads and converts the file with DecodeTextFile. Throws FileError when it
    // cannot be opened or read; no table is built then.
    [[nodiscard]] static CharTable LoadFile(const std::filesystem::path& path, const TextDecoding& decoding);

    CharTable(CharTable&&) noexcept;
    CharTable& operator=(CharTable&&) noexcept;
    ~CharTable();

    // LF, the file's text with its prefixed lines rewritten, CR.
    [[nodiscard]] const std::u16string& text() const noexcept { return m_text; }
    // True when a line names the table ("@NAME"), switches to another table
    // ("!XX=NAME,N") or has a key of more than three bytes: such lines are
    // not read as entries.
    [[nodiscard]] bool hasUnreadLines() const noexcept { return m_hasUnreadLines; }
    // Greatest number of characters after the first "=" of any line, up to its CR; 0 without "=".
    [[nodiscard]] std::int32_t longestTextLength() const noexcept { return m_longestTextLength; }

    struct ByteMatch {
        std::u16string_view text;  // the entry's text, up to the next CR
        int byteCount = 0;         // 3, 2 or 1
        // The parameter bytes that follow the code ("$XX=TEXT,N"), which are
        // written as escapes whatever the table holds for them.
        int parameterBytes = 0;
    };
    // Looks up the bytes of one string at position p: 3-byte keys before 2-byte
    // before 1-byte, upper-case digits before lower-case, first line first.
    // Keys that would need bytes past the end of `bytes` are not tried.
    // A value above 0xFF has no two-digit key, so keys holding it are not tried either.
    // No value when nothing matches.
    [[nodiscard]] std::optional<ByteMatch> LookupBytes(std::span<const std::uint16_t> bytes, std::size_t p) const {
        if (p >= bytes.size()) return std::nullopt;
        const tableindex::ByteEntry* entry = m_bytes.Find(bytes, p);
        if (!entry) return std::nullopt;
        return ByteMatch{std::u16string_view(m_text).substr(entry->text, entry->length), entry->byteCount,
                         entry->parameters};
    }
    // The same lookup for a decoder that writes UTF-8, with each entry's text
    // in UTF-8 as well. Valid while the table is not changed.
    [[nodiscard]] tableindex::ByteKeys::View byteKeys() const noexcept { return m_bytes.view(); }

    struct TextMatch {
        int length = 0;  // characters of the script matched; 0 when nothing matched
        std::uint8_t bytes[3] = {0, 0, 0};
        int byteCount = 0;  // 0 to 3 bytes read from the entry's key with "%02x%02x%02x"
    };
    // The reverse lookup at position pos of a script: the longest n (at most
    // longestTextLength, the characters left in the script and the characters
    // before the current line's CR) for which "=" + the n characters + CR occurs
    // in the table text, at its first occurrence; the bytes come from the key of
    // the line holding that "=".
    [[nodiscard]] TextMatch LookupText(std::u16string_view script, std::size_t pos, std::int32_t longestTextLength) const;

    // Every match the reverse lookup could make at position pos of a script:
    // for each n up to longestTextLength() (no further than lineEnd, the end of
    // the script or the first CR) for which "=" + the n characters + CR occurs in
    // the table text, what LookupText gives when n is the longest that fits.
    // Clears `matches` and fills it in ascending length; empty when nothing
    // matches. Cheap enough to call once per character of a script.
    void FindTextMatches(std::u16string_view script, std::size_t pos, std::size_t lineEnd,
                         std::vector<TextMatch>& matches) const;

    // The one-pass matcher of the entry texts: it finds in a line what
    // FindTextMatches finds at each place of it, its values being the packed
    // keys (see tableindex::UnpackKey). Built when first asked for.
    [[nodiscard]] const tableindex::TextMatcher& Matcher() const;

    // True when some line's key begins with this byte: a byte lookup can find
    // an entry whose key starts with it, or the reverse lookup can give bytes
    // that start with it. A byte that is not used can take a new entry without
    // changing what any existing entry reads or writes.
    [[nodiscard]] bool UsesByte(std::uint8_t byte) const;

private:
    [[nodiscard]] TextMatch LookupLongerText(std::u16string_view script, std::size_t pos,
                                             std::int32_t longestTextLength) const;
    // In m_characters: a character that begins an entry text of two or more
    // characters. Otherwise the key of its one-character entry as
    // tableindex::PackKey packs it, or 0.
    static constexpr std::uint32_t kBeginsLongerText = 1;

    struct Index;
    CharTable(std::u16string text, std::int32_t longestTextLength, std::unique_ptr<Index> index, bool hasUnreadLines);

    std::u16string m_text;
    std::int32_t m_longestTextLength = 0;
    bool m_hasUnreadLines = false;
    std::unique_ptr<Index> m_index;
    tableindex::ByteKeys m_bytes;
    tableindex::PagedMap m_characters;
};

namespace tableindex {

// A key of up to three bytes in 32 bits, never 0: 0x80000000 | count << 24 | the bytes.
[[nodiscard]] inline std::uint32_t PackKey(const std::uint8_t (&bytes)[3], std::uint8_t count) {
    return 0x80000000u | static_cast<std::uint32_t>(count) << 24 | static_cast<std::uint32_t>(bytes[0]) << 16 |
           static_cast<std::uint32_t>(bytes[1]) << 8 | bytes[2];
}
// The match of `length` characters a packed key gives; no match for 0.
[[nodiscard]] inline CharTable::TextMatch UnpackKey(std::uint32_t key, int length) {
    if (key == 0) return {};
    return CharTable::TextMatch{length,
                                {static_cast<std::uint8_t>(key >> 16), static_cast<std::uint8_t>(key >> 8),
                                 static_cast<std::uint8_t>(key)},
                                static_cast<int>((key >> 24) & 3u)};
}

}  // namespace tableindex

inline CharTable::TextMatch CharTable::LookupText(std::u16string_view script, std::size_t pos,
                                                  std::int32_t longestTextLength) const {
    // Asked for nearly every character Insert encodes: a character that
    // begins no longer text is read directly.
    if (longestTextLength > 0 && pos < script.size()) {
        const std::uint32_t single = m_characters.Get(script[pos]);
        if (single != kBeginsLongerText) return tableindex::UnpackKey(single, 1);
    }
    return LookupLongerText(script, pos, longestTextLength);
}

}  // namespace quorvex
