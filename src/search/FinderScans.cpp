#include "search/FinderScans.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace quorvex::finder {

// The pointer value a string needs under this offset; none when the
// layout's values cannot hold it.
std::optional<std::uint32_t> Finder::PointerValue(int width, std::int32_t xOffset, std::int64_t offset) {
    const std::int64_t value = offset - xOffset;
    if (width == 4) return static_cast<std::uint32_t>(value);
    if (value < 0 || value > AllOnes(width)) return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

bool Finder::AllFit(int width, std::int32_t xOffset) const {
    return std::all_of(m_clues.given.begin(), m_clues.given.end(),
                       [&](std::int64_t offset) { return PointerValue(width, xOffset, offset).has_value(); });
}


// Whether the entry at pos, next to one pointing at `from`, can continue a
// table: it points at a string start (in order after `from` when there is
// no end byte), or it may be the block's first string and the entry after
// it (or the partner entry) points at a string start.
template <typename EntryAt>
bool Finder::Supported(const EntryAt& entryAt, std::int64_t pos, std::int64_t step, std::int64_t from,
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
void Finder::ScanPairs(const Layout& layout) {
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
void Finder::SearchWithOffset(const Layout& layout, std::int32_t xOffset) {
    const int width = layout.width;
    const auto pointer = PointerValue(width, xOffset, m_clues.given[0]);
    if (!pointer || !AllFit(width, xOffset)) return;
    SeedFrom(layout, *pointer, xOffset);
}

namespace {

// The bits a map leaves alone as games set them: each setting seeds a search.
std::span<const std::uint32_t> UsualOtherBits(AddressMapKind kind) {
    static constexpr std::uint32_t kLoRom[] = {0x008000, 0x808000, 0x000000, 0x800000};
    static constexpr std::uint32_t kHiRom[] = {0xC00000, 0x400000, 0x000000, 0x800000};
    static constexpr std::uint32_t kExHiRom[] = {0x400000, 0x000000};
    static constexpr std::uint32_t kNes[] = {0x8000, 0xC000};
    static constexpr std::uint32_t kNone[] = {0};
    switch (kind) {
    case AddressMapKind::LoRom: return kLoRom;
    case AddressMapKind::HiRom: return kHiRom;
    case AddressMapKind::ExHiRom: return kExHiRom;
    case AddressMapKind::Nes: return kNes;
    case AddressMapKind::GameBoy:
    case AddressMapKind::None: break;
    }
    return kNone;
}

}  // namespace

void Finder::SearchThroughMap(const Layout& layout, AddressMapKind kind) {
    const int width = layout.width;
    if ((kind == AddressMapKind::GameBoy || kind == AddressMapKind::Nes) && width != 2) return;
    JobSettings job;
    job.map = kind;
    job.textStart = static_cast<std::int32_t>(m_clues.lowest);
    const AddressMap map(job, static_cast<std::size_t>(m_size), width);
    m_map = &map;
    for (const std::uint32_t other : UsualOtherBits(kind)) {
        // Every given string must be reachable, and read back, through the map.
        const auto reaches = [&](std::int64_t offset) {
            const auto value = map.ToPointer(offset, other);
            return value && *value <= AllOnes(width) && map.ToOffset(*value) == offset;
        };
        if (std::all_of(m_clues.given.begin(), m_clues.given.end(), reaches))
            SeedFrom(layout, *map.ToPointer(m_clues.given[0], other), 0);
    }
    m_map = nullptr;
}

void Finder::SeedFrom(const Layout& layout, std::uint32_t pointer, std::int32_t xOffset) {
    const int width = layout.width;
    const auto entryAt = StridedEntry(layout, xOffset);
    const auto blankAt = StridedBlank(layout);
    // A sparse table's entry may have blanks on both sides: its neighbours
    // are the nearest entries that are not blank, as a run would cross to.
    const auto neighbour = [&](std::int64_t pos, std::int64_t step) {
        for (std::int64_t blanks = 0; blanks < kMaxBlankRun && blankAt(pos + step); ++blanks) pos += step;
        return pos + step;
    };
    const auto firstByte = static_cast<int>(layout.bigEndian ? pointer >> (8 * (width - 1)) : pointer & 0xFF);
    for (std::int64_t p = 0; p + width <= m_size; ++p) {
        const void* hit = std::memchr(m_data + p, firstByte, static_cast<std::size_t>(m_size - width + 1 - p));
        if (hit == nullptr) break;
        p = static_cast<const std::uint8_t*>(hit) - m_data;
        if (ReadValue(m_data + p, layout) != pointer) continue;
        const std::int64_t target = m_clues.given[0];
        if (Supported(entryAt, neighbour(p, -width), -width, target, -1) ||
            Supported(entryAt, neighbour(p, width), width, target, -1))
            GrowStrided(layout, p, xOffset);
    }
}

void Finder::SearchPairs(const Layout& layout) {
    switch (layout.type) {
    case TableType::Regular2: ScanPairs<2, false>(layout); break;
    case TableType::Regular3: ScanPairs<3, false>(layout); break;
    case TableType::Variation4: ScanPairs<4, true>(layout); break;
    default: ScanPairs<4, false>(layout); break;
    }
}

void Finder::SearchVariation1(std::int32_t xOffset) {
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

void Finder::SearchVariation1AtBanks() {
    for (const BankLayout& bank : kBankLayouts) {
        const std::int64_t lowestOffset = m_clues.highest - 0xFFFF;
        for (std::int64_t k = FloorDiv(lowestOffset - bank.phase + bank.step - 1, bank.step);; ++k) {
            const std::int64_t xOffset = k * bank.step + bank.phase;
            if (xOffset > m_clues.lowest) break;
            SearchVariation1(static_cast<std::int32_t>(xOffset));
        }
    }
}

// The X000 Offset under which the entry at p, holding value, points at
// target; none when the layout could not point at every given string with it.
std::optional<std::int32_t> Finder::OffsetFor(int width, std::uint32_t value, std::int64_t target) const {
    const std::int64_t exact = target - static_cast<std::int64_t>(value);
    if (width == 4) return Wrap32(exact);
    // Every given string's pointer must fit in the value's bytes.
    if (exact < m_clues.highest - AllOnes(width) || exact > m_clues.lowest) return std::nullopt;
    return static_cast<std::int32_t>(exact);
}

// Entries q < p (same stride phase) pointing at two given strings if the
// X000 Offset is what p's value makes it.
void Finder::TryPair(const Layout& layout, std::int64_t q, std::int64_t p, std::uint32_t value,
                     std::int64_t targetOfQ, std::int64_t targetOfP) {
    const int width = layout.width;
    if ((p - q) / width >= kMaxRunEntries) return;
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

const std::vector<std::int32_t>& Finder::Positions(std::uint8_t byte) {
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

}  // namespace quorvex::finder
