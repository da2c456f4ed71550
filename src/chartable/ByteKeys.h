#pragma once
// Bytes to text: which entry line a run of one, two or three bytes finds,
// read out of arrays with no hashing (Extract asks once per byte it decodes).
// A page of 256 slots for the first byte, one more for each first byte that
// starts a longer key, and one for each pair of bytes that starts a
// three-byte key.
#include "chartable/TableLines.h"

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex::tableindex {

// What one key finds.
struct ByteEntry {
    // Where an entry's text starts with a low surrogate or ends with a high
    // one: two such texts side by side make one character together.
    static constexpr std::uint8_t kStartsWithLowSurrogate = 1;
    static constexpr std::uint8_t kEndsWithHighSurrogate = 2;

    std::uint32_t text = 0;  // first character of the entry's text in the table text
    std::uint32_t length = 0;
    const char* utf8 = nullptr;  // the text in UTF-8, followed by at least ByteKeys::kPadding readable bytes
    std::uint32_t utf8Length = 0;
    std::uint8_t byteCount = 0;  // of the key: 1 to 3
    std::uint8_t parameters = 0;  // the bytes after the code that are parameters
    std::uint8_t surrogates = 0;  // kStartsWithLowSurrogate | kEndsWithHighSurrogate
    bool plain = false;  // no surrogates, and no more than ByteKeys::kPadding bytes of UTF-8
};

class ByteKeys {
public:
    // Readable bytes after the last text in utf8(): a copy of a short text may
    // take a fixed number of bytes.
    static constexpr std::size_t kPadding = 16;

    ByteKeys() : m_slots(kPage) {}
    // The entries point into the index's own storage.
    ByteKeys(const ByteKeys&) = delete;
    ByteKeys& operator=(const ByteKeys&) = delete;
    ByteKeys(ByteKeys&&) noexcept = default;
    ByteKeys& operator=(ByteKeys&&) noexcept = default;

    // Indexes every line of the framed table text (of at most UINT32_MAX
    // characters) that starts with 2, 4 or 6 hexadecimal digits, all of one
    // case, and "=". `linked` gives the parameter bytes of the entries whose
    // "=" it names.
    void Build(std::u16string_view text, std::span<const LinkedEntry> linked);

    // The entry the bytes at position p find: see View::Find.
    template <typename Value>
    [[nodiscard]] const ByteEntry* Find(std::span<const Value> values, std::size_t p) const {
        return view().Find(values, p);
    }

    // The first byte of every key found by Build.
    [[nodiscard]] const std::bitset<0x100>& firstBytes() const noexcept { return m_firstBytes; }

private:
    static constexpr std::size_t kPage = 0x100;
    struct Slot {
        std::uint32_t entry = 0;  // index + 1 into m_entries, 0 for none
        std::uint32_t page = 0;   // the page of the next byte, 0 when no longer key continues here
    };

public:
    // The arrays the lookups read, as plain pointers valid while the index is
    // unchanged: a decoder keeps them in a local, so that the bytes it writes
    // (which could alias any member) do not make it read them again.
    class View {
    public:
        // The entry the values at position p (< values.size()) find: 3-byte
        // keys before 2-byte before 1-byte, the first upper-case line of a
        // key, else its first lower-case one (digits alone count as both).
        // Keys that would need values past the end, or values above 0xFF,
        // are not tried. Null when nothing matches.
        template <typename Value>
        [[nodiscard]] const ByteEntry* Find(std::span<const Value> values, std::size_t p) const {
            if (!IsByte(values[p])) return nullptr;
            const Slot& first = m_slots[values[p]];
            std::uint32_t found = first.entry;
            const std::size_t left = values.size() - p;
            if (first.page != 0 && left >= 2 && IsByte(values[p + 1])) {
                const Slot& second = m_slots[std::size_t{first.page} * kPage + values[p + 1]];
                if (second.entry != 0) found = second.entry;
                if (second.page != 0 && left >= 3 && IsByte(values[p + 2])) {
                    const Slot& third = m_slots[std::size_t{second.page} * kPage + values[p + 2]];
                    if (third.entry != 0) found = third.entry;
                }
            }
            return found == 0 ? nullptr : &m_entries[found - 1];
        }
        // An entry's text in the table text the index was built over.
        [[nodiscard]] std::u16string_view Text(const ByteEntry& entry) const { return {m_text + entry.text, entry.length}; }

    private:
        friend class ByteKeys;
        template <typename Value>
        static bool IsByte(Value value) {
            if constexpr (sizeof(Value) == 1) return true;
            else return value <= 0xFF;
        }
        static const Slot kNoKeys[kPage];
        const Slot* m_slots = kNoKeys;  // finds nothing
        const ByteEntry* m_entries = nullptr;
        const char16_t* m_text = nullptr;
    };
    // A view that finds nothing, for text read without a table.
    // Valid while the index is unchanged; `text` is where the table text it
    // was built over stands now.
    [[nodiscard]] View view(const char16_t* text = nullptr) const noexcept {
        View view;
        view.m_slots = m_slots.data();
        view.m_entries = m_entries.data();
        view.m_text = text;
        return view;
    }

private:

    std::vector<Slot> m_slots;  // page 0 for first bytes, then the pages of longer keys
    std::vector<ByteEntry> m_entries;
    // Every entry's text in UTF-8, then the padding. Its storage never moves
    // once built (not even with the index), so the entries point into it.
    std::vector<char> m_utf8;
    std::bitset<0x100> m_firstBytes;
};

}  // namespace quorvex::tableindex
