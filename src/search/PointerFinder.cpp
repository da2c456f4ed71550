#include "search/PointerFinder.h"

#include "job/Messages.h"
#include "platform/Numbers.h"

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <tuple>

namespace quorvex {

namespace {

constexpr std::int64_t kMaxEntries = 65535;
constexpr std::int64_t kMaxVariation1Entries = 1024;
// (low, high) byte pairs tried per X000 Offset for Variation1: bytes of few
// values (code, fill) would otherwise make billions of them.
constexpr std::int64_t kVariation1Tries = std::int64_t{1} << 18;
constexpr std::int64_t kWideMargin = 0x10000;
constexpr std::int64_t kNarrowMargin = 0x800;
// Entries pointing at strings other than the given ones that a table needs.
// A random 2-byte value lands on a plausible string start often (about 1 in
// 20 when the text fills half the 64 KiB window) and every pair of values at
// the right distance starts a run, so 2-byte layouts need more of them; and
// without an end byte only the band judges an entry.
std::ptrdiff_t EvidenceNeeded(int valueWidth, bool endByteKnown) {
    if (valueWidth == 2) return endByteKnown ? 3 : 6;
    return endByteKnown ? 1 : 2;
}
// Without an end byte a table is taken to list its strings in order, each
// at most this far after the one before.
constexpr std::int64_t kMaxStringLength = 0x800;
// Times a run is grown again (after cutting off an outlying end or refusing
// a wrong guess of the block's first string) before it is given up.
constexpr int kGrowthAttempts = 6;
constexpr std::int64_t kMinOutlierGap = 0x400;
constexpr std::int64_t kOutlierFactor = 16;
// Runs shorter than this are cheaper to grow again than to remember.
constexpr std::size_t kRememberedRun = 3;

struct Layout {
    TableType type;
    int width;  // bytes of a value, and the stride
    bool bigEndian;
};
constexpr Layout kStridedLayouts[] = {{TableType::Regular2, 2, false},
                                      {TableType::Regular3, 3, false},
                                      {TableType::Regular4, 4, false},
                                      {TableType::Variation4, 4, true}};
// Variation1 ranks after the strided layouts among tables of one size.
constexpr int kVariation1Rank = 4;

// Bank layouts whose X000 Offsets Variation1 tries when none is given:
// offset = k * step + phase.
struct BankLayout {
    std::int64_t phase;
    std::int64_t step;
};
constexpr BankLayout kBankLayouts[] = {{0x10, 0x2000}, {0, 0x4000}, {0x200, 0x8000}};

int RankOf(TableType type) {
    for (int i = 0; i < 4; ++i)
        if (kStridedLayouts[i].type == type) return i;
    return kVariation1Rank;
}

template <int Width, bool BigEndian>
std::uint32_t ReadFixed(const std::uint8_t* p) {
    std::uint32_t value = 0;
    for (int i = 0; i < Width; ++i) value |= std::uint32_t{p[BigEndian ? Width - 1 - i : i]} << (8 * i);
    return value;
}

std::uint32_t ReadValue(const std::uint8_t* p, const Layout& layout) {
    switch (layout.width) {
    case 2: return ReadFixed<2, false>(p);
    case 3: return ReadFixed<3, false>(p);
    default: return layout.bigEndian ? ReadFixed<4, true>(p) : ReadFixed<4, false>(p);
    }
}

std::int32_t Wrap32(std::int64_t value) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0);
}

enum class Fit { No, Anchored, Unanchored };

struct Target {
    std::int64_t pos;      // where the entry lies (Variation1: its low byte)
    std::int64_t address;  // where it points
    bool anchored;         // the address starts a string as far as can be told (see StartsString)
};

// What the given strings tell about their table.
struct Clues {
    std::vector<std::int64_t> given;  // distinct, in the caller's order
    std::int64_t lowest = 0;
    std::int64_t highest = 0;
    std::optional<std::uint8_t> endByte;
    std::optional<std::int64_t> givenFirstString;  // the lowest given string, when the end byte is not before it
    int endByteSamples = 0;                        // given strings preceded by the end byte
    std::int64_t bandLow = 0;
    std::int64_t bandHigh = 0;
};

Clues ReadClues(std::span<const std::uint8_t> rom, std::vector<std::int64_t> given, bool useEndByte) {
    Clues clues;
    clues.given = std::move(given);
    clues.lowest = *std::min_element(clues.given.begin(), clues.given.end());
    clues.highest = *std::max_element(clues.given.begin(), clues.given.end());
    if (useEndByte && clues.highest >= 1) {
        const std::uint8_t endByte = rom[static_cast<std::size_t>(clues.highest - 1)];
        const bool agree = std::all_of(clues.given.begin(), clues.given.end(), [&](std::int64_t offset) {
            return offset == clues.lowest || rom[static_cast<std::size_t>(offset - 1)] == endByte;
        });
        if (agree) {
            clues.endByte = endByte;
            clues.endByteSamples = static_cast<int>(clues.given.size());
            if (clues.lowest == 0 || rom[static_cast<std::size_t>(clues.lowest - 1)] != endByte) {
                clues.givenFirstString = clues.lowest;
                --clues.endByteSamples;
            }
        }
    }
    const std::int64_t span = clues.highest - clues.lowest;
    const std::int64_t margin = clues.endByte ? std::max(kWideMargin, 4 * span) : std::max(kNarrowMargin, span);
    clues.bandLow = clues.lowest - margin;
    clues.bandHigh = clues.highest + margin;
    return clues;
}

bool InOrder(std::int64_t previous, std::int64_t address, bool upward) {
    return upward ? previous <= address && address - previous <= kMaxStringLength
                  : address <= previous && previous - address <= kMaxStringLength;
}

// The entry-by-entry rules of a run being grown: targets not preceded by the
// end byte are all the block's first string, below every other target; without
// an end byte the targets go up in table order.
class Growth {
public:
    Growth(const Clues& clues, std::span<const std::int64_t> refusedFirst)
        : m_clues(clues), m_refusedFirst(refusedFirst), m_firstString(clues.givenFirstString) {}

    bool Accept(Fit fit, std::int64_t address, std::optional<std::int64_t> previous, bool upward) {
        if (fit == Fit::No) return false;
        if (!m_clues.endByte) return !previous || InOrder(*previous, address, upward);
        if (fit == Fit::Anchored) {
            if (m_firstString && address < *m_firstString) return false;
            m_lowestAnchored = std::min(m_lowestAnchored, address);
            return true;
        }
        if (m_firstString) return address == *m_firstString;
        if (address >= m_clues.lowest || address >= m_lowestAnchored ||
            std::find(m_refusedFirst.begin(), m_refusedFirst.end(), address) != m_refusedFirst.end())
            return false;
        m_firstString = address;
        return true;
    }

private:
    const Clues& m_clues;
    std::span<const std::int64_t> m_refusedFirst;
    std::optional<std::int64_t> m_firstString;
    std::int64_t m_lowestAnchored = LLONG_MAX;
};

class Finder {
    struct Seen {
        std::int32_t pos = 0;  // position + 1; 0 for none
        std::uint32_t value = 0;
    };

    // Layout rank, X000 Offset, Variation1's half size, stride phase.
    using RunKey = std::tuple<int, std::int32_t, std::int64_t, std::int64_t>;

    // First, so that the searches below can use what StridedEntry returns.
    [[nodiscard]] Fit Classify(std::uint32_t raw, std::uint32_t allOnes, std::int32_t xOffset,
                               std::int64_t& address) const {
        if (raw == 0 || raw == allOnes) return Fit::No;
        address = static_cast<std::int32_t>(raw + static_cast<std::uint32_t>(xOffset));
        if (address < m_low || address > m_high) return Fit::No;
        if (!m_clues.endByte) return Fit::Anchored;
        return StartsString(address) ? Fit::Anchored : Fit::Unanchored;
    }

    static std::uint32_t AllOnes(int width) { return width == 4 ? 0xFFFFFFFFu : (1u << (8 * width)) - 1u; }

    // The pointer value a string needs under this offset; none when the
    // layout's values cannot hold it.
    static std::optional<std::uint32_t> PointerValue(int width, std::int32_t xOffset, std::int64_t offset) {
        const std::int64_t value = offset - xOffset;
        if (width == 4) return static_cast<std::uint32_t>(value);
        if (value < 0 || value > AllOnes(width)) return std::nullopt;
        return static_cast<std::uint32_t>(value);
    }

    [[nodiscard]] bool AllFit(int width, std::int32_t xOffset) const {
        return std::all_of(m_clues.given.begin(), m_clues.given.end(),
                           [&](std::int64_t offset) { return PointerValue(width, xOffset, offset).has_value(); });
    }

    [[nodiscard]] auto StridedEntry(const Layout& layout, std::int32_t xOffset) const {
        return [this, &layout, xOffset](std::int64_t pos, std::int64_t& address) {
            if (pos < 0 || pos + layout.width > m_size) return Fit::No;
            return Classify(ReadValue(m_data + pos, layout), AllOnes(layout.width), xOffset, address);
        };
    }

public:
    Finder(std::span<const std::uint8_t> rom, const Clues& clues)
        : m_data(rom.data()),
          // Positions are kept in 32 bits, as every job number is.
          m_size(static_cast<std::int64_t>(std::min<std::size_t>(rom.size(), INT32_MAX))),
          m_clues(clues),
          m_low(std::max<std::int64_t>(clues.bandLow, 0)),
          m_high(std::min(clues.bandHigh, m_size - 1)) {
        // Which positions start a string as far as can be told (they follow
        // the end byte, or are the given first string): tested for almost
        // every entry tried, and a bit each stays in cache where the ROM would not.
        m_startsString.resize(static_cast<std::size_t>(m_size / 64 + 1));
        const auto mark = [&](std::int64_t p) {
            m_startsString[static_cast<std::size_t>(p) >> 6] |= std::uint64_t{1} << (p & 63);
        };
        if (m_clues.endByte)
            for (std::int64_t p = 1; p < m_size; ++p)
                if (m_data[p - 1] == *m_clues.endByte) mark(p);
        if (m_clues.givenFirstString) mark(*m_clues.givenFirstString);
    }

    // The runs through every entry that points at the first given string
    // with this offset.
    void SearchWithOffset(const Layout& layout, std::int32_t xOffset) {
        const int width = layout.width;
        const auto pointer = PointerValue(width, xOffset, m_clues.given[0]);
        if (!pointer || !AllFit(width, xOffset)) return;
        const auto entryAt = StridedEntry(layout, xOffset);
        const auto firstByte = static_cast<int>(layout.bigEndian ? *pointer >> (8 * (width - 1)) : *pointer & 0xFF);
        for (std::int64_t p = 0; p + width <= m_size; ++p) {
            const void* hit = std::memchr(m_data + p, firstByte, static_cast<std::size_t>(m_size - width + 1 - p));
            if (hit == nullptr) break;
            p = static_cast<const std::uint8_t*>(hit) - m_data;
            if (ReadValue(m_data + p, layout) != *pointer) continue;
            const std::int64_t target = m_clues.given[0];
            if (Supported(entryAt, p - width, -width, target, -1) || Supported(entryAt, p + width, width, target, -1))
                GrowStrided(layout, p, xOffset);
        }
    }

    // Pairs of entries pointing at the first two given strings, each giving an
    // offset, and the runs around them.
    void SearchPairs(const Layout& layout) {
        switch (layout.type) {
        case TableType::Regular2: ScanPairs<2, false>(layout); break;
        case TableType::Regular3: ScanPairs<3, false>(layout); break;
        case TableType::Variation4: ScanPairs<4, true>(layout); break;
        default: ScanPairs<4, false>(layout); break;
        }
    }

    void SearchVariation1(std::int32_t xOffset) {
        if (!AllFit(2, xOffset)) return;
        const auto pointer = static_cast<std::uint32_t>(m_clues.given[0] - xOffset);
        const std::vector<std::int32_t>& lows = Positions(static_cast<std::uint8_t>(pointer & 0xFF));
        const std::vector<std::int32_t>& highs = Positions(static_cast<std::uint8_t>(pointer >> 8));
        std::size_t firstHigh = 0;
        std::int64_t tries = 0;
        for (const std::int32_t low : lows) {
            // Three neighbouring entries never share a low byte in practice; fill does.
            if (low >= 1 && low + 1 < m_size && m_data[low - 1] == m_data[low] && m_data[low + 1] == m_data[low])
                continue;
            while (firstHigh < highs.size() && highs[firstHigh] <= low) ++firstHigh;
            for (std::size_t h = firstHigh; h < highs.size() && highs[h] - low <= kMaxVariation1Entries; ++h) {
                if (++tries > kVariation1Tries) return;
                TryVariation1(low, highs[h] - low, xOffset);
            }
        }
    }

    // Every X000 Offset that the bank layouts give for the given strings.
    void SearchVariation1AtBanks() {
        for (const BankLayout& bank : kBankLayouts) {
            const std::int64_t lowestOffset = m_clues.highest - 0xFFFF;
            for (std::int64_t k = FloorDiv(lowestOffset - bank.phase + bank.step - 1, bank.step);; ++k) {
                const std::int64_t xOffset = k * bank.step + bank.phase;
                if (xOffset > m_clues.lowest) break;
                SearchVariation1(static_cast<std::int32_t>(xOffset));
            }
        }
    }

    [[nodiscard]] std::vector<PointerCandidate> TakeCandidates() { return std::move(m_candidates); }

private:
    // Whether the entry at pos, next to one pointing at `from`, can continue a
    // table: it points at a string start (in order after `from` when there is
    // no end byte), or it may be the block's first string and the entry after
    // it (or the partner entry) points at a string start.
    template <typename EntryAt>
    [[nodiscard]] bool Supported(const EntryAt& entryAt, std::int64_t pos, std::int64_t step, std::int64_t from,
                                 std::int64_t partner) const {
        std::int64_t address = 0;
        const Fit fit = entryAt(pos, address);
        if (fit == Fit::No) return false;
        if (!m_clues.endByte) return InOrder(from, address, step > 0);
        if (fit == Fit::Anchored) return true;
        if (address >= m_clues.lowest) return false;
        std::int64_t next = 0;
        return pos + step == partner || entryAt(pos + step, next) == Fit::Anchored;
    }

    template <int Width, bool BigEndian>
    void ScanPairs(const Layout& layout) {
        if (m_size < 2 * Width) return;
        const std::int64_t distance = m_clues.given[1] - m_clues.given[0];
        // The last entry seen that could point at the first given string, by
        // the low 16 bits of its value and per stride phase; the same for the
        // second. Values are kept too, so that a chance partner costs no ROM read.
        std::vector<Seen> couldBeFirst(std::size_t{Width} << 16);
        std::vector<Seen> couldBeSecond(std::size_t{Width} << 16);
        const auto partnerOf = [&](std::uint32_t value, std::int64_t delta) {
            const std::int64_t partner = static_cast<std::int64_t>(value) + delta;
            return Width == 4 ? static_cast<std::int64_t>(static_cast<std::uint32_t>(partner)) : partner;
        };
        const auto blank = [](std::uint32_t raw) { return raw == 0 || raw == AllOnes(Width); };
        const auto difference = [](std::uint32_t raw, std::uint32_t value) {
            const std::int64_t d = static_cast<std::int64_t>(raw) - value;
            return Width == 4 ? static_cast<std::int64_t>(static_cast<std::int32_t>(d)) : d;
        };

        // An entry of a table has one pointing at a string start at most two
        // entries away (the one between may be the block's first string). For
        // 2-byte values the differences to those neighbours index a window of
        // StartsStringBit around each given string; a blank neighbour indexes
        // its last bit, which is 0.
        constexpr std::int64_t kWindowMiddle = 0xFFFF;
        constexpr std::int64_t kBlankIndex = 2 * kWindowMiddle + 1;
        // windows[2] is the union of the two, tested first.
        std::array<std::vector<std::uint64_t>, 3> windows;
        if constexpr (Width == 2) {
            for (auto& window : windows) window.assign(static_cast<std::size_t>(kBlankIndex / 64 + 1), 0);
            for (std::size_t i = 0; i < 2; ++i) {
                for (std::int64_t d = -kWindowMiddle; d <= kWindowMiddle; ++d) {
                    const std::uint64_t bit = StartsStringBit(m_clues.given[i] + d) << ((d + kWindowMiddle) & 63);
                    windows[i][static_cast<std::size_t>(d + kWindowMiddle) >> 6] |= bit;
                    windows[2][static_cast<std::size_t>(d + kWindowMiddle) >> 6] |= bit;
                }
            }
        }
        constexpr std::int64_t kNeighbours[] = {-2 * Width, -Width, Width, 2 * Width};
        const auto consider = [&](std::int64_t p) {
            const std::uint32_t value = ReadFixed<Width, BigEndian>(m_data + p);
            if (blank(value)) return;
            std::array<std::int64_t, 4> differences{};
            for (std::size_t k = 0; k < 4; ++k) {
                const std::int64_t at = p + kNeighbours[k];
                const bool inside = at >= 0 && at + Width <= m_size;
                const std::uint32_t raw = inside ? ReadFixed<Width, BigEndian>(m_data + at) : 0;
                if constexpr (Width == 2)
                    differences[k] = blank(raw) ? kBlankIndex : difference(raw, value) + kWindowMiddle;
                else
                    differences[k] = blank(raw) ? std::int64_t{INT32_MIN} * 4 : difference(raw, value);
            }
            if constexpr (Width == 2) {
                std::uint64_t any = 0;
                for (const std::int64_t d : differences)
                    any |= windows[2][static_cast<std::size_t>(d) >> 6] >> (d & 63);
                if ((any & 1) == 0) return;
            }
            const auto couldPoint = [&](std::size_t i) {
                std::uint64_t any = 0;
                for (const std::int64_t d : differences) {
                    if constexpr (Width == 2)
                        any |= windows[i][static_cast<std::size_t>(d) >> 6] >> (d & 63);
                    else
                        any |= StartsStringBit(m_clues.given[i] + d);
                }
                return (any & 1) != 0 && OffsetFor(Width, value, m_clues.given[i]).has_value();
            };
            const bool first = couldPoint(0);
            const bool second = couldPoint(1);
            if (!first && !second) return;
            const std::size_t phase = static_cast<std::size_t>(p % Width) << 16;
            if (second) {
                const std::int64_t partner = partnerOf(value, -distance);
                const Seen& seen = couldBeFirst[phase + static_cast<std::size_t>(partner & 0xFFFF)];
                if (seen.pos > 0 && seen.value == partner)
                    TryPair(layout, seen.pos - 1, p, value, m_clues.given[0], m_clues.given[1]);
                couldBeSecond[phase + (value & 0xFFFF)] = {static_cast<std::int32_t>(p + 1), value};
            }
            if (first) {
                const std::int64_t partner = partnerOf(value, distance);
                const Seen& seen = couldBeSecond[phase + static_cast<std::size_t>(partner & 0xFFFF)];
                if (seen.pos > 0 && seen.value == partner)
                    TryPair(layout, seen.pos - 1, p, value, m_clues.given[1], m_clues.given[0]);
                couldBeFirst[phase + (value & 0xFFFF)] = {static_cast<std::int32_t>(p + 1), value};
            }
        };

        const std::int64_t lastPos = m_size - Width;
        if constexpr (Width == 2) {
            // Every 2-byte value lies within 64 KiB of every other: no quicker test.
            for (std::int64_t p = 0; p <= lastPos; ++p) consider(p);
        } else {
            // Neighbouring entries of a table point into the band, so their
            // values differ by no more than its width. One tight pass marks the
            // positions whose next entry is that near; only those and the ones
            // after them are looked at.
            const std::int64_t bandWidth = m_high - m_low;
            std::vector<std::uint64_t> near(static_cast<std::size_t>(m_size / 64 + 1), 0);
            for (std::int64_t p = 0; p + 2 * Width <= m_size; ++p) {
                const std::uint32_t value = ReadFixed<Width, BigEndian>(m_data + p);
                const std::uint32_t next = ReadFixed<Width, BigEndian>(m_data + p + Width);
                const std::int64_t d = difference(next, value);
                const bool isNear = !blank(value) && !blank(next) && d >= -bandWidth && d <= bandWidth;
                near[static_cast<std::size_t>(p) >> 6] |= std::uint64_t{isNear} << (p & 63);
            }
            for (std::size_t w = 0; w < near.size(); ++w) {
                // Near the next entry, or the entry one stride back was near this one.
                std::uint64_t look = near[w] | near[w] << Width;
                if (w > 0) look |= near[w - 1] >> (64 - Width);
                for (; look != 0; look &= look - 1) {
                    const std::int64_t p = static_cast<std::int64_t>(w * 64) + std::countr_zero(look);
                    if (p <= lastPos) consider(p);
                }
            }
        }
    }

    [[nodiscard]] bool StartsString(std::int64_t address) const {
        return m_startsString[static_cast<std::size_t>(address) >> 6] >> (address & 63) & 1;
    }

    // Whether an entry pointing at the address could belong to a table: 1
    // inside the band when it starts a string (or there is no end byte to
    // tell), 0 otherwise. Without branches, since over data the answer is a
    // coin toss.
    [[nodiscard]] std::uint64_t StartsStringBit(std::int64_t address) const {
        const bool inside = static_cast<std::uint64_t>(address - m_low) <= static_cast<std::uint64_t>(m_high - m_low);
        const std::int64_t at = inside ? address : m_low;
        const std::uint64_t bit = m_clues.endByte ? m_startsString[static_cast<std::size_t>(at) >> 6] >> (at & 63) : 1;
        return bit & std::uint64_t{inside};
    }

    // The X000 Offset under which the entry at p, holding value, points at
    // target; none when the layout could not point at every given string with it.
    [[nodiscard]] std::optional<std::int32_t> OffsetFor(int width, std::uint32_t value, std::int64_t target) const {
        const std::int64_t exact = target - static_cast<std::int64_t>(value);
        if (width == 4) return Wrap32(exact);
        // Every given string's pointer must fit in the value's bytes.
        if (exact < m_clues.highest - AllOnes(width) || exact > m_clues.lowest) return std::nullopt;
        return static_cast<std::int32_t>(exact);
    }

    // Entries q < p (same stride phase) pointing at two given strings if the
    // X000 Offset is what p's value makes it.
    void TryPair(const Layout& layout, std::int64_t q, std::int64_t p, std::uint32_t value, std::int64_t targetOfQ,
                 std::int64_t targetOfP) {
        const int width = layout.width;
        if ((p - q) / width >= kMaxEntries) return;
        if (!m_clues.endByte && targetOfQ > targetOfP) return;
        const auto offset = OffsetFor(width, value, targetOfP);
        if (!offset) return;
        const std::int32_t xOffset = *offset;
        // Most pairs are chance: the entries next to them settle that before a run is grown.
        const auto entryAt = StridedEntry(layout, xOffset);
        const bool supported = p - q > width ? Supported(entryAt, p - width, -width, targetOfP, q)
                                             : Supported(entryAt, q - width, -width, targetOfQ, -1) ||
                                                   Supported(entryAt, p + width, width, targetOfP, -1);
        if (supported) GrowStrided(layout, q, xOffset);
    }

    void GrowStrided(const Layout& layout, std::int64_t seed, std::int32_t xOffset) {
        const int width = layout.width;
        const RunKey key{RankOf(layout.type), xOffset, 0, seed % width};
        if (Remembered(key, seed)) return;
        Settle(key, seed, width, 0, m_size - width, StridedEntry(layout, xOffset), [&](const std::vector<Target>& run) {
            if (!Acceptable(run, width)) return false;
            Add(layout.type, run.front().pos, run.back().pos + width - 1, xOffset, run);
            return true;
        });
    }

    void TryVariation1(std::int64_t low, std::int64_t half, std::int32_t xOffset) {
        if (half < 2) return;
        const auto entryAt = [&](std::int64_t pos, std::int64_t& target) {
            if (pos < 0 || pos + half >= m_size) return Fit::No;
            const auto raw = static_cast<std::uint32_t>(m_data[pos] | m_data[pos + half] << 8);
            return Classify(raw, 0xFFFF, xOffset, target);
        };
        // As for the strided layouts: an entry at most two away points at a string start.
        std::uint64_t any = 0;
        for (const std::int64_t at : {low - 2, low - 1, low + 1, low + 2}) {
            if (at < 0 || at + half >= m_size) continue;
            const std::uint32_t raw = m_data[at] | m_data[at + half] << 8;
            any |= (raw != 0 && raw != 0xFFFF) ? StartsStringBit(Wrap32(std::int64_t{raw} + xOffset)) : 0;
        }
        if (any == 0) return;
        const RunKey key{kVariation1Rank, xOffset, half, 0};
        if (Remembered(key, low)) return;
        Settle(key, low, 1, std::max<std::int64_t>(0, low - half + 1), low + half - 1, entryAt,
               [&](const std::vector<Target>& run) {
                   // Each half holds `half` entries; a longer run took in a neighbour on one side.
                   const std::int64_t first = run.front().pos;
                   const std::int64_t lastStart = std::min(low, run.back().pos - half + 1);
                   bool found = false;
                   for (std::int64_t start = std::max(first, low - half + 1); start <= lastStart; ++start) {
                       const std::span<const Target> table(run.data() + (start - first),
                                                           static_cast<std::size_t>(half));
                       if (!Acceptable(table, 2)) continue;
                       Add(TableType::Variation1, start, start + 2 * half - 1, xOffset, table);
                       found = true;
                   }
                   return found;
               });
    }

    // Grows the run through seed within [lowPos, highPos] until it stands:
    // an outlying end is cut off and the run grown again inside it; a first
    // string the table does not bear out is refused and the run grown again.
    // `take` is given each standing run and tells whether it made a candidate.
    template <typename EntryAt, typename Take>
    void Settle(const RunKey& key, std::int64_t seed, std::int64_t stride, std::int64_t lowPos, std::int64_t highPos,
                const EntryAt& entryAt, const Take& take) {
        std::vector<std::int64_t> refused;
        std::vector<std::int64_t> stops;
        std::optional<std::vector<Target>> setAside;
        for (int attempt = 0; attempt < kGrowthAttempts; ++attempt) {
            std::vector<Target> run = Grow(seed, stride, lowPos, highPos, refused, entryAt, stops);
            if (attempt == 0) Remember(key, run);
            if (run.empty()) break;
            const auto [cutFront, cutBack] = OutlyingEnds(run);
            if (cutFront || cutBack) {
                if (cutFront) lowPos = run.front().pos + stride;
                if (cutBack) highPos = run.back().pos - stride;
                continue;
            }
            const auto chosen = ChosenFirstString(run);
            // Data just before the block reads as a string that runs into the
            // block's real first string; an entry next to the run pointing
            // inside it suggests so. The run is set aside while the rival is
            // tried, and taken after all when that gives no table.
            const auto end = chosen ? FirstEndByte(*chosen) : std::nullopt;
            const bool rivalInside = chosen && std::any_of(stops.begin(), stops.end(), [&](std::int64_t stop) {
                return stop > *chosen && (!end || stop <= *end);
            });
            if (rivalInside) {
                if (!setAside) setAside = std::move(run);
            } else if (take(run)) {
                return;
            }
            if (!chosen) break;
            refused.push_back(*chosen);
        }
        if (setAside) take(*setAside);
    }

    // Whether the run's first and last entries point far from every other
    // target: text lies in blocks, and an entry of neighbouring data that
    // points at a string start by chance mostly points elsewhere. Far is more
    // than max(1 KiB, 16 times the median gap between the run's targets).
    // Entries pointing at a given string or sharing their target stay.
    [[nodiscard]] std::pair<bool, bool> OutlyingEnds(std::span<const Target> run) const {
        std::vector<std::int64_t> addresses;
        for (const Target& t : run) addresses.push_back(t.address);
        std::sort(addresses.begin(), addresses.end());
        addresses.erase(std::unique(addresses.begin(), addresses.end()), addresses.end());
        if (addresses.size() < 3) return {false, false};
        std::vector<std::int64_t> gaps;
        for (std::size_t i = 1; i < addresses.size(); ++i) gaps.push_back(addresses[i] - addresses[i - 1]);
        std::nth_element(gaps.begin(), gaps.begin() + std::ssize(gaps) / 2, gaps.end());
        const std::int64_t far = std::max(kMinOutlierGap, kOutlierFactor * gaps[gaps.size() / 2]);
        const auto outlying = [&](const Target& end) {
            if (std::find(m_clues.given.begin(), m_clues.given.end(), end.address) != m_clues.given.end() ||
                std::count_if(run.begin(), run.end(), [&](const Target& t) { return t.address == end.address; }) > 1)
                return false;
            const auto at = std::lower_bound(addresses.begin(), addresses.end(), end.address);
            std::int64_t nearest = LLONG_MAX;
            if (at != addresses.begin()) nearest = end.address - *std::prev(at);
            if (std::next(at) != addresses.end()) nearest = std::min(nearest, *std::next(at) - end.address);
            return nearest > far;
        };
        return {outlying(run.front()), outlying(run.back())};
    }

    // The run through seed at the stride, upward first, within [lowPos, highPos].
    template <typename EntryAt>
    // `stops` receives where the entries that ended it point, when no end
    // byte precedes their target.
    std::vector<Target> Grow(std::int64_t seed, std::int64_t stride, std::int64_t lowPos, std::int64_t highPos,
                             std::span<const std::int64_t> refusedFirst, const EntryAt& entryAt,
                             std::vector<std::int64_t>& stops) const {
        Growth growth(m_clues, refusedFirst);
        stops.clear();
        std::vector<Target> up;
        std::vector<Target> down;
        const auto take = [&](std::int64_t pos, std::vector<Target>& into, std::optional<std::int64_t> previous,
                              bool upward) {
            if (std::ssize(up) + std::ssize(down) >= kMaxEntries) return false;
            std::int64_t address = 0;
            const Fit fit = entryAt(pos, address);
            if (!growth.Accept(fit, address, previous, upward)) {
                if (fit == Fit::Unanchored) stops.push_back(address);
                return false;
            }
            into.push_back({pos, address, fit == Fit::Anchored});
            return true;
        };
        if (!take(seed, up, std::nullopt, true)) return {};
        for (std::int64_t pos = seed + stride; pos <= highPos && take(pos, up, up.back().address, true);
             pos += stride) {
        }
        for (std::int64_t pos = seed - stride;
             pos >= lowPos && take(pos, down, (down.empty() ? up : down).back().address, false); pos -= stride) {
        }
        std::reverse(down.begin(), down.end());
        down.insert(down.end(), up.begin(), up.end());
        return down;
    }

    // The block's first string the run took on its own, if any.
    [[nodiscard]] std::optional<std::int64_t> ChosenFirstString(std::span<const Target> run) const {
        for (const Target& t : run)
            if (!t.anchored && t.address != m_clues.givenFirstString) return t.address;
        return std::nullopt;
    }

    // A table must point at every given string and at enough others, must not
    // repeat one address too often, and a first string it chose itself must
    // end right before another of its targets.
    [[nodiscard]] bool Acceptable(std::span<const Target> table, int valueWidth) const {
        const auto holds = [&](std::int64_t address) {
            return std::any_of(table.begin(), table.end(), [&](const Target& t) { return t.address == address; });
        };
        if (!std::all_of(m_clues.given.begin(), m_clues.given.end(), holds)) return false;
        const std::ptrdiff_t elsewhere = std::count_if(table.begin(), table.end(), [&](const Target& t) {
            return std::find(m_clues.given.begin(), m_clues.given.end(), t.address) == m_clues.given.end();
        });
        if (elsewhere < EvidenceNeeded(valueWidth, m_clues.endByte.has_value())) return false;
        // A wider layout read at a narrower stride points every other entry at
        // the one address its high bytes make; no table repeats itself so much.
        std::vector<std::int64_t> addresses;
        for (const Target& t : table) addresses.push_back(t.address);
        std::sort(addresses.begin(), addresses.end());
        std::ptrdiff_t mostShared = 0;
        for (auto run = addresses.begin(); run != addresses.end();) {
            const auto next = std::upper_bound(run, addresses.end(), *run);
            mostShared = std::max(mostShared, next - run);
            run = next;
        }
        if (mostShared > 2 && 3 * mostShared > std::ssize(addresses)) return false;
        if (const auto first = ChosenFirstString(table)) {
            const auto end = FirstEndByte(*first);
            return end && holds(*end + 1);
        }
        return true;
    }

    [[nodiscard]] std::optional<std::int64_t> FirstEndByte(std::int64_t from) const {
        if (!m_clues.endByte || from >= m_size) return std::nullopt;
        const void* hit = std::memchr(m_data + from, *m_clues.endByte, static_cast<std::size_t>(m_size - from));
        if (hit == nullptr) return std::nullopt;
        return static_cast<const std::uint8_t*>(hit) - m_data;
    }

    void Add(TableType type, std::int64_t tableStart, std::int64_t tableEnd, std::int32_t xOffset,
             std::span<const Target> table) {
        PointerCandidate candidate;
        candidate.type = type;
        candidate.tableStart = static_cast<std::int32_t>(tableStart);
        candidate.tableEnd = static_cast<std::int32_t>(tableEnd);
        candidate.xOffset = xOffset;
        candidate.entryCount = static_cast<std::int32_t>(table.size());
        const auto [lowest, highest] = std::minmax_element(
            table.begin(), table.end(), [](const Target& a, const Target& b) { return a.address < b.address; });
        candidate.textStart = static_cast<std::int32_t>(lowest->address);
        candidate.textEnd = static_cast<std::int32_t>(FirstEndByte(highest->address).value_or(highest->address));
        m_candidates.push_back(candidate);
    }

    [[nodiscard]] bool Remembered(const RunKey& key, std::int64_t pos) const {
        const auto found = m_runs.find(key);
        if (found == m_runs.end()) return false;
        const auto after = found->second.upper_bound(pos);
        return after != found->second.begin() && pos <= std::prev(after)->second;
    }

    void Remember(const RunKey& key, const std::vector<Target>& run) {
        if (run.size() >= kRememberedRun) m_runs[key].emplace(run.front().pos, run.back().pos);
    }

    const std::vector<std::int32_t>& Positions(std::uint8_t byte) {
        std::vector<std::int32_t>& positions = m_positions[byte];
        if (!m_positionsKnown[byte]) {
            m_positionsKnown[byte] = true;
            for (std::int64_t p = 0; p < m_size; ++p) {
                const void* hit = std::memchr(m_data + p, byte, static_cast<std::size_t>(m_size - p));
                if (hit == nullptr) break;
                p = static_cast<const std::uint8_t*>(hit) - m_data;
                positions.push_back(static_cast<std::int32_t>(p));
            }
        }
        return positions;
    }

    const std::uint8_t* m_data;
    std::int64_t m_size;
    const Clues& m_clues;
    std::int64_t m_low;   // the lowest and highest target an entry may have: the band, within the ROM
    std::int64_t m_high;
    std::vector<PointerCandidate> m_candidates;
    // Runs already grown, so that every entry of a long run does not grow it again.
    std::map<RunKey, std::map<std::int64_t, std::int64_t>> m_runs;  // first entry -> last entry
    std::array<std::vector<std::int32_t>, 256> m_positions;
    std::array<bool, 256> m_positionsKnown{};
    std::vector<std::uint64_t> m_startsString;
};

std::vector<std::int64_t> DistinctOffsets(const std::vector<std::int64_t>& offsets) {
    std::vector<std::int64_t> distinct;
    for (const std::int64_t offset : offsets)
        if (std::find(distinct.begin(), distinct.end(), offset) == distinct.end()) distinct.push_back(offset);
    return distinct;
}

std::vector<PointerCandidate> Search(std::span<const std::uint8_t> rom, const Clues& clues,
                                     const PointerSearchRequest& request) {
    Finder finder(rom, clues);
    for (const Layout& layout : kStridedLayouts) {
        if (request.xOffset)
            finder.SearchWithOffset(layout, *request.xOffset);
        else
            finder.SearchPairs(layout);
    }
    if (request.xOffset)
        finder.SearchVariation1(*request.xOffset);
    else
        finder.SearchVariation1AtBanks();
    return finder.TakeCandidates();
}

std::u16string Number(std::int32_t value, bool decimal) {
    return decimal ? FormatDec(value) : FormatHex(value);
}

std::u16string ShellQuoted(std::u16string_view text) {
    const bool plain = !text.empty() && std::all_of(text.begin(), text.end(), [](char16_t c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
               std::u16string_view(u"_-./:=@%+,").find(c) != std::u16string_view::npos;
    });
    if (plain) return std::u16string(text);
    std::u16string quoted = u"'";
    for (const char16_t c : text) quoted += c == u'\'' ? std::u16string(u"'\\''") : std::u16string(1, c);
    return quoted + u"'";
}

}  // namespace

std::optional<std::u16string_view> CheckPointerSearch(std::span<const std::uint8_t> rom,
                                                      const PointerSearchRequest& request) {
    const std::vector<std::int64_t> distinct = DistinctOffsets(request.textOffsets);
    if (distinct.empty() || (distinct.size() < 2 && !request.xOffset)) return messages::kPointerSearchNeedsOffsets;
    const auto limit = static_cast<std::int64_t>(std::min<std::size_t>(rom.size(), INT32_MAX));
    if (std::any_of(distinct.begin(), distinct.end(), [&](std::int64_t o) { return o < 0 || o >= limit; }))
        return messages::kTextOffsetOutsideRom;
    return std::nullopt;
}

std::vector<PointerCandidate> FindPointerTables(std::span<const std::uint8_t> rom,
                                                const PointerSearchRequest& request) {
    if (CheckPointerSearch(rom, request)) return {};
    const std::vector<std::int64_t> given = DistinctOffsets(request.textOffsets);
    const Clues clues = ReadClues(rom, given, true);
    std::vector<PointerCandidate> candidates = Search(rom, clues, request);
    // An end byte seen before one string only may be chance: the game may
    // have none. Seen before two it is not. And without an end byte only a
    // given X000 Offset keeps the search from fitting any sorted table to the
    // strings at some offset.
    if (candidates.empty() && clues.endByteSamples < 2 && request.xOffset)
        candidates = Search(rom, ReadClues(rom, given, false), request);
    // Among tables of one size, the smaller X000 Offset first: a 4-byte table
    // read one byte off, in the other byte order, moves a pointer byte into the
    // top of the value and needs a huge offset to point back at the text.
    const auto order = [](const PointerCandidate& c) {
        return std::make_tuple(-c.entryCount, std::abs(static_cast<std::int64_t>(c.xOffset)), RankOf(c.type),
                               c.tableStart, c.xOffset, c.tableEnd);
    };
    std::sort(candidates.begin(), candidates.end(),
              [&](const PointerCandidate& a, const PointerCandidate& b) { return order(a) < order(b); });
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    if (candidates.size() > request.maxCandidates) candidates.resize(request.maxCandidates);
    return candidates;
}

std::u16string FormatPointerCandidate(const PointerCandidate& candidate, bool decimal) {
    std::u16string line = Widen(TableTypeName(candidate.type));
    for (const std::int32_t value : {candidate.tableStart, candidate.tableEnd, candidate.xOffset,
                                     candidate.entryCount, candidate.textStart, candidate.textEnd})
        line += u"\t" + Number(value, decimal);
    return line;
}

std::u16string ExtractCommandLine(std::u16string_view romPath, const PointerCandidate& candidate, bool decimal) {
    std::u16string line = u"quorvex-cli extract --rom " + ShellQuoted(romPath);
    if (decimal) line += u" --dec";
    line += u" --table-type " + Widen(TableTypeName(candidate.type));
    const std::pair<std::u16string_view, std::int32_t> options[] = {
        {u"--table-start", candidate.tableStart}, {u"--table-end", candidate.tableEnd},
        {u"--text-start", candidate.textStart},   {u"--text-end", candidate.textEnd},
        {u"--x-offset", candidate.xOffset}};
    for (const auto& [name, value] : options) {
        const std::u16string number = Number(value, decimal);
        // A value starting with "-" would be read as an option.
        line += u" " + std::u16string(name) + (number.front() == u'-' ? u"=" : u" ") + number;
    }
    return line;
}

}  // namespace quorvex
