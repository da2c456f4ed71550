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
#include <string_view>
#include <vector>

namespace quorvex::tableindex {

// What one key finds; a byteCount of 0 when nothing is found.
struct ByteEntry {
    std::uint32_t text = 0;  // first character of the entry's text in the table text
    std::uint32_t length = 0;
    const char* utf8 = nullptr;  // the text in UTF-8, followed by at least ByteKeys::kPadding readable bytes
    std::uint32_t utf8Length = 0;
    std::uint8_t byteCount = 0;  // of the key: 1 to 3
    std::uint8_t parameters = 0;  // the bytes after the code that are parameters
    // No parameters, no more than ByteKeys::kPadding bytes of UTF-8 and no
    // surrogate at either end (where a neighbour's could make one character
    // with it): a decoder only copies the bytes.
    bool plain = false;
};

class ByteKeys {
    static constexpr std::size_t kPage = 0x100;
    struct Slot {
        std::uint32_t entry = 0;  // index into the entries, 0 for the one that finds nothing
        std::uint32_t page = 0;   // the page of the next byte, 0 when no longer key continues here
    };

public:
    // Readable bytes after every text in UTF-8: a copy of a short text may
    // take a fixed number of bytes.
    static constexpr std::size_t kPadding = 16;

    ByteKeys() : m_slots(kPage), m_entries(1) {}
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

    // The arrays the lookups read, as plain pointers valid while the index is
    // unchanged: a decoder keeps them in a local, so that the bytes it writes
    // (which could alias any member) do not make it read them again.
    class View {
    public:
        // The entry the values at position p (< values.size()) find: 3-byte
        // keys before 2-byte before 1-byte, the first upper-case line of a
        // key, else its first lower-case one (digits alone count as both).
        // Keys that would need values past the end, or values above 0xFF,
        // are not tried.
        template <typename Value>
        [[nodiscard]] const ByteEntry& Find(std::span<const Value> values, std::size_t p) const {
            if (!IsByte(values[p])) return m_entries[0];
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
            return m_entries[found];
        }

    private:
        friend class ByteKeys;
        template <typename Value>
        static bool IsByte(Value value) {
            if constexpr (sizeof(Value) == 1) return true;
            else return value <= 0xFF;
        }
        static const Slot kNoKeys[kPage];
        static const ByteEntry kNothing;
        const Slot* m_slots = kNoKeys;  // finds nothing
        const ByteEntry* m_entries = &kNothing;
    };
    // A default View finds nothing, for text read without a table.
    [[nodiscard]] View view() const noexcept {
        View view;
        view.m_slots = m_slots.data();
        view.m_entries = m_entries.data();
        return view;
    }

    // As View::Find; null when nothing is found.
    template <typename Value>
    [[nodiscard]] const ByteEntry* Find(std::span<const Value> values, std::size_t p) const {
        const ByteEntry& entry = view().Find(values, p);
        return entry.byteCount == 0 ? nullptr : &entry;
    }

    // The first byte of every key found by Build.
    [[nodiscard]] const std::bitset<0x100>& firstBytes() const noexcept { return m_firstBytes; }

private:
    std::vector<Slot> m_slots;  // page 0 for first bytes, then the pages of longer keys
    std::vector<ByteEntry> m_entries;  // the first finds nothing
    // Every entry's text in UTF-8, then the padding. Its storage never moves
    // once built (not even with the index), so the entries point into it.
    std::vector<char> m_utf8;
    std::bitset<0x100> m_firstBytes;
};

}  // namespace quorvex::tableindex
