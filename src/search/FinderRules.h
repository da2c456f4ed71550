#pragma once
// The pointer finder's rules: what the given strings tell about their table,
// which layouts it tries, and which entries a run being grown takes. Internal
// to the finder (see PointerFinder.h for what it does as a whole).
#include "job/JobSettings.h"
#include "pointers/PointerTable.h"

#include <array>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace quorvex::finder {

// The most entries a run grows to: as many as a pointer table may hold.
inline constexpr auto kMaxRunEntries = static_cast<std::int64_t>(kMaxEntries);
inline constexpr std::int64_t kMaxVariation1Entries = 1024;
// (low, high) byte pairs tried per X000 Offset for Variation1: bytes of few
// values (code, fill) would otherwise make billions of them.
inline constexpr std::int64_t kVariation1Tries = std::int64_t{1} << 18;
// Times a run is grown again (after cutting off an outlying end or refusing
// a wrong guess of the block's first string) before it is given up.
inline constexpr int kGrowthAttempts = 6;
inline constexpr std::int64_t kMinOutlierGap = 0x400;
inline constexpr std::int64_t kOutlierFactor = 16;
// Blank entries in a row a run crosses between two real ones: a sparse
// table of a few hundred entries (messages by number, most unused) is
// crossed whole; a longer stretch of 0 or all ones is fill, not a table.
inline constexpr std::int64_t kMaxBlankRun = 256;
// Runs shorter than this are cheaper to grow again than to remember.
inline constexpr std::size_t kRememberedRun = 3;

// Entries pointing at strings other than the given ones that a table needs.
[[nodiscard]] std::ptrdiff_t EvidenceNeeded(int valueWidth, bool endByteKnown);

// A layout with one value per entry at a stride of its width.
struct Layout {
    TableType type;
    int width;  // bytes of a value, and the stride
    bool bigEndian;
};
// Regular2, Regular3, Regular4 and Variation4, as the pointer reader reads them.
[[nodiscard]] const std::array<Layout, 4>& StridedLayouts();
// Variation1 ranks after the strided layouts among tables of one size.
inline constexpr int kVariation1Rank = 4;
[[nodiscard]] int RankOf(TableType type);

// Bank layouts whose X000 Offsets Variation1 tries when none is given:
// offset = k * step + phase.
struct BankLayout {
    std::int64_t phase;
    std::int64_t step;
};
inline constexpr BankLayout kBankLayouts[] = {{0x10, 0x2000}, {0, 0x4000}, {0x200, 0x8000}};

// Reads of the finder's inner loops: no bounds checks (the caller keeps them).
template <int Width, bool BigEndian>
std::uint32_t ReadFixed(const std::uint8_t* p) {
    std::uint32_t value = 0;
    for (int i = 0; i < Width; ++i) value |= std::uint32_t{p[BigEndian ? Width - 1 - i : i]} << (8 * i);
    return value;
}

inline std::uint32_t ReadValue(const std::uint8_t* p, const Layout& layout) {
    switch (layout.width) {
    case 2: return ReadFixed<2, false>(p);
    case 3: return ReadFixed<3, false>(p);
    default: return layout.bigEndian ? ReadFixed<4, true>(p) : ReadFixed<4, false>(p);
    }
}

inline std::uint32_t AllOnes(int width) { return width == 4 ? 0xFFFFFFFFu : (1u << (8 * width)) - 1u; }

inline std::int32_t Wrap32(std::int64_t value) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(value)); }

inline std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0);
}

enum class Fit { No, Anchored, Unanchored };

struct Target {
    std::int64_t pos;      // where the entry lies (Variation1: its low byte)
    std::int64_t address;  // where it points
    bool anchored;         // the address starts a string as far as can be told
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

// The clues of distinct given offsets, all inside the ROM. Without useEndByte
// no end byte is looked for.
[[nodiscard]] Clues ReadClues(std::span<const std::uint8_t> rom, std::vector<std::int64_t> given, bool useEndByte);

// Whether, without an end byte, address may follow previous in a table read
// upward (or downward).
[[nodiscard]] bool InOrder(std::int64_t previous, std::int64_t address, bool upward);

// The entry-by-entry rules of a run being grown: targets not preceded by the
// end byte are all the block's first string, below every other target; without
// an end byte the targets go up in table order.
class Growth {
public:
    Growth(const Clues& clues, std::span<const std::int64_t> refusedFirst)
        : m_clues(clues), m_refusedFirst(refusedFirst), m_firstString(clues.givenFirstString) {}

    [[nodiscard]] bool Accept(Fit fit, std::int64_t address, std::optional<std::int64_t> previous, bool upward);

private:
    const Clues& m_clues;
    std::span<const std::int64_t> m_refusedFirst;
    std::optional<std::int64_t> m_firstString;
    std::int64_t m_lowestAnchored = LLONG_MAX;
};

}  // namespace quorvex::finder
