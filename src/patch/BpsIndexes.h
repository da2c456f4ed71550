#pragma once
// The indexes the BPS writer finds copies with: where windows of the source
// lie, and where the target's changed bytes repeat earlier ones.
#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace quorvex::bps {

// Eight bytes at a time, then the last few one by one: unchanged stretches
// run for megabytes.
inline std::size_t CommonLength(const std::uint8_t* a, const std::uint8_t* b, std::size_t limit) {
    std::size_t length = 0;
    for (; length + 8 <= limit; length += 8) {
        std::uint64_t x, y;
        std::memcpy(&x, a + length, 8);
        std::memcpy(&y, b + length, 8);
        if (x != y) break;
    }
    while (length < limit && a[length] == b[length]) ++length;
    return length;
}

// The first count (at most 8) bytes as a number.
inline std::uint64_t Load(const std::uint8_t* bytes, std::size_t count) {
    std::uint64_t word = 0;
    std::memcpy(&word, bytes, count);
    return word;
}

// Where an 8-byte window of the source was last seen, by hash; one position a
// slot. Each slot also keeps a fingerprint of its window, so that most
// lookups that find another window are turned down without reading the image
// at a random place; a candidate that passes must still be compared.
class WindowIndex {
public:
    static constexpr std::size_t kWindow = 8;
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFF;

    explicit WindowIndex(std::size_t expected)
        : m_shift(64 - std::clamp(static_cast<int>(std::bit_width(expected)), 10, 21)),
          m_slots(std::size_t{1} << (64 - m_shift), kEmpty) {}

    void Put(const std::uint8_t* window, std::size_t position) {
        const std::uint64_t word = Load(window, kWindow);
        m_slots[Slot(word)] = std::uint64_t{Fingerprint(word)} << 32 | static_cast<std::uint32_t>(position);
    }
    [[nodiscard]] std::uint32_t Get(const std::uint8_t* window) const {
        const std::uint64_t word = Load(window, kWindow);
        const std::uint64_t slot = m_slots[Slot(word)];
        return slot >> 32 == Fingerprint(word) ? static_cast<std::uint32_t>(slot) : kEmpty;
    }
    void Prefetch(const std::uint8_t* window) const { __builtin_prefetch(&m_slots[Slot(Load(window, kWindow))]); }

private:
    static std::uint32_t Fingerprint(std::uint64_t word) { return static_cast<std::uint32_t>(word ^ word >> 32); }
    [[nodiscard]] std::size_t Slot(std::uint64_t word) const {
        return static_cast<std::size_t>((word * 0x9E3779B97F4A7C15ull) >> m_shift);
    }

    int m_shift;
    std::vector<std::uint64_t> m_slots;
};

// The target positions before the one looked up whose byte differs from the
// source's (of the first kMostIndexed), grouped by the hash of the kKey bytes
// there, each group in ascending order: the candidates for a target copy are
// the newest, and those around where the last copy ended, whose offsets cost
// the fewest bytes.
class TargetIndex {
public:
    static constexpr std::size_t kKey = 4;
    static constexpr std::size_t kLookahead = 8;
    static constexpr std::size_t kMostIndexed = std::size_t{1} << 24;  // 192 MiB of index at most
    static constexpr std::uint32_t kNone = 0xFFFFFFFF;
    // Phrases: the bytes looked up whole, and how many of the newest places
    // of each are kept. On translated text shorter phrases find single words
    // again, longer ones fewer repeats, and more places cost more time than
    // they find.
    static constexpr std::size_t kPhrase = 14;
    static constexpr std::size_t kPhrasePlaces = 4;

    // A position and its key bytes, which turn down most other keys of its
    // group without reading the target there.
    struct Entry {
        std::uint32_t position;
        std::uint32_t key;
        friend bool operator<(const Entry& entry, std::uint32_t position) { return entry.position < position; }
    };

    TargetIndex(std::span<const std::uint8_t> source, std::span<const std::uint8_t> target)
        : m_target(target), m_changed(ChangedPositions(source, target)) {
        // About sixteen positions a group: few enough groups that their
        // bounds stay in the cache while positions are taken in.
        m_shift = 32 - std::clamp(static_cast<int>(std::bit_width(m_changed.size())) - 4, 10, 20);
        m_groups.assign(std::size_t{1} << (32 - m_shift), {0, 0});
        for (const std::uint32_t at : m_changed) ++m_groups[Slot(at)].end;
        std::uint32_t start = 0;
        for (Bounds& group : m_groups) {
            const std::uint32_t size = group.end;
            group = {start, start};
            start += size;
        }
        m_entries.resize(m_changed.size());
        m_present.assign(std::size_t{1} << (kPresentBits - 6), 0);
        // A quarter of a slot a position, at most 4 MiB: the slots are written
        // for every position, so a larger table waits for the memory more
        // than it finds.
        m_phraseShift = 64 - std::clamp(static_cast<int>(std::bit_width(m_changed.size())) - 2, 8, 18);
        m_phrases.assign(kPhrasePlaces << (64 - m_phraseShift), kNone);
    }

    // Changed bytes mostly find nothing: the memory is asked for what the
    // lookups of the bytes ahead read, in two steps, the second needing the first.
    void Prefetch(std::size_t at) const {
        if (at + 2 * kLookahead + kKey > m_target.size()) return;
        __builtin_prefetch(&m_groups[Slot(at + 2 * kLookahead)]);
        const std::uint32_t end = m_groups[Slot(at + kLookahead)].end;
        if (end > 0) __builtin_prefetch(&m_entries[end - 1]);
        if (at + kLookahead + kPhrase <= m_target.size()) __builtin_prefetch(&m_phrases[PhraseSlot(at + kLookahead)]);
    }

    // The kKey bytes at `at`, as a number.
    [[nodiscard]] std::uint32_t Key(std::size_t at) const {
        return static_cast<std::uint32_t>(Load(&m_target[at], kKey));
    }

    // Takes in every position before `at`; asked for ever larger positions.
    // False when none of them holds the bytes at `at`: a small table, so that
    // the many bytes of new data that repeat nothing are turned down in the cache.
    [[nodiscard]] bool HeldBefore(std::size_t at) {
        TakeIn(at);
        const std::uint32_t bit = Present(Key(at));
        return (m_present[bit >> 6] >> (bit & 63)) & 1;
    }

    // The newest positions taken in, newest first, whose kPhrase bytes hash
    // as those at `at` do; kNone where there are fewer, all kNone when the
    // target ends sooner. Repeats of several words: a frequent word's group
    // holds too many places to find the few where the same words follow.
    [[nodiscard]] std::span<const std::uint32_t, kPhrasePlaces> Phrases(std::size_t at) const {
        static constexpr std::array<std::uint32_t, kPhrasePlaces> kNoPlaces = [] {
            std::array<std::uint32_t, kPhrasePlaces> none{};
            none.fill(kNone);
            return none;
        }();
        if (at + kPhrase > m_target.size()) return kNoPlaces;
        return std::span<const std::uint32_t, kPhrasePlaces>(&m_phrases[PhraseSlot(at)], kPhrasePlaces);
    }

    // The positions taken in whose bytes hash as those at `at` do, ascending.
    [[nodiscard]] std::span<const Entry> Group(std::size_t at) const {
        const Bounds group = m_groups[Slot(at)];
        return std::span(m_entries).subspan(group.start, group.end - group.start);
    }

private:
    // Takes in every position before end; asked for ever larger ends.
    void TakeIn(std::size_t end) {
        for (; m_added < m_changed.size() && m_changed[m_added] < end; ++m_added) {
            const std::uint32_t position = m_changed[m_added];
            // Phrase slots are written at random places: asked for well ahead.
            if (m_added + kTakeInAhead < m_changed.size()) {
                const std::uint32_t ahead = m_changed[m_added + kTakeInAhead];
                if (ahead + kPhrase <= m_target.size()) __builtin_prefetch(&m_phrases[PhraseSlot(ahead)], 1);
            }
            m_entries[m_groups[Slot(position)].end++] = {position, Key(position)};
            const std::uint32_t bit = Present(Key(position));
            m_present[bit >> 6] |= std::uint64_t{1} << (bit & 63);
            if (position + kPhrase <= m_target.size()) {
                std::uint32_t* slot = &m_phrases[PhraseSlot(position)];
                std::memmove(slot + 1, slot, (kPhrasePlaces - 1) * sizeof *slot);
                *slot = position;
            }
        }
    }

    // Where target differs from source, found a stretch of equal bytes at a time.
    static std::vector<std::uint32_t> ChangedPositions(std::span<const std::uint8_t> source,
                                                       std::span<const std::uint8_t> target) {
        std::vector<std::uint32_t> changed;
        const std::size_t end = target.size() < kKey ? 0 : target.size() - kKey + 1;
        const std::size_t common = std::min(source.size(), end);
        for (std::size_t at = 0; at < end; ++at) {
            if (at < common) at += CommonLength(&source[at], &target[at], common - at);
            if (at < end && changed.size() < kMostIndexed) changed.push_back(static_cast<std::uint32_t>(at));
        }
        return changed;
    }

    [[nodiscard]] std::size_t Slot(std::size_t at) const { return (Key(at) * 0x9E3779B1u) >> m_shift; }
    static std::uint32_t Present(std::uint32_t key) { return (key * 0x85EBCA77u) >> (32 - kPresentBits); }

    static constexpr int kPresentBits = 23;  // a megabyte
    static constexpr std::size_t kTakeInAhead = 16;
    // Where the places of the phrase at `at` start in m_phrases; its first
    // and last eight bytes cover all of it.
    [[nodiscard]] std::size_t PhraseSlot(std::size_t at) const {
        static_assert(kPhrase >= 8 && kPhrase <= 16);
        const std::uint64_t hash = Load(&m_target[at], 8) * 0x9E3779B97F4A7C15ull ^
                                   Load(&m_target[at + kPhrase - 8], 8) * 0xC2B2AE3D27D4EB4Full;
        return static_cast<std::size_t>(hash >> m_phraseShift) * kPhrasePlaces;
    }

    std::span<const std::uint8_t> m_target;
    int m_shift = 0;
    std::vector<std::uint32_t> m_changed;
    std::size_t m_added = 0;               // m_changed's positions taken in so far
    // Where each group's entries begin in m_entries, and where those taken in end.
    struct Bounds {
        std::uint32_t start, end;
    };
    std::vector<Bounds> m_groups;
    std::vector<Entry> m_entries;
    std::vector<std::uint64_t> m_present;
    int m_phraseShift = 0;
    std::vector<std::uint32_t> m_phrases;  // kPhrasePlaces a slot
};

// The first entry at or after position in a group of ascending positions.
// Positions spread through the target evenly enough that a guess from the
// first and the last lands a few entries away; a binary search of a frequent
// word's large group would wait for the memory at every step.
inline std::span<const TargetIndex::Entry>::iterator FirstFrom(std::span<const TargetIndex::Entry> group,
                                                               std::uint32_t position) {
    auto low = group.begin(), high = group.end();
    while (high - low > 8) {
        const std::uint32_t first = low->position, last = (high - 1)->position;
        if (position <= first) return low;
        if (position > last) return high;
        const auto count = static_cast<std::uint64_t>(high - low);
        auto guess = low + static_cast<std::ptrdiff_t>((position - first) * count / (last - first + 1));
        std::ptrdiff_t step = 1;  // doubled until the answer is bracketed
        if (guess->position < position) {
            while (high - guess > step && (guess + step)->position < position) guess += step, step *= 2;
            low = guess + 1;
            high = std::min(high, guess + step + 1);
        } else {
            while (guess - low > step && (guess - step)->position >= position) guess -= step, step *= 2;
            high = guess + 1;
            low = std::max(low, guess - step);
        }
    }
    return std::lower_bound(low, high, position);
}

}  // namespace quorvex::bps
