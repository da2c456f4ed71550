#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex {

// Relative search: finds a line of on-screen text in a ROM whose letter
// encoding is not known yet, on the assumption that the game stores A-Z, a-z
// and 0-9 each as a run of consecutive values.
//
// The letters and digits of the text fall into three groups (A-Z, a-z, 0-9).
// A hit at offset o: the text's i-th character takes the `width` bytes at
// o + i * width, and within each group the values differ exactly as the
// characters do (value = the group's base + the character's distance from the
// group's first character, modulo 2^(8 * width)); distinct letters and digits
// have distinct values. Every other character (space, punctuation, "?", anything
// outside the three groups; a surrogate pair counts as one character) matches
// any value.

enum class LetterGroup : int { Upper = 0, Lower = 1, Digit = 2 };
inline constexpr int kLetterGroupCount = 3;

struct RelativeSearchOptions {
    int width = 1;              // bytes per character, 1 or 2; any other width finds nothing
    bool bigEndian = false;     // 2-byte values are read little-endian unless this is set
    std::size_t maxHits = 100;  // hits kept; counting goes on past them
};

struct RelativeHit {
    std::int64_t offset = 0;
    // The value of each group's first character (A, a, 0) at this hit, indexed
    // by LetterGroup; no value for a group the text does not use.
    std::array<std::optional<std::uint32_t>, kLetterGroupCount> bases{};
    friend bool operator==(const RelativeHit&, const RelativeHit&) = default;
};

struct RelativeSearchResult {
    std::vector<RelativeHit> hits;  // in offset order, at most maxHits of them
    std::size_t hitCount = 0;       // every hit in the ROM, kept or not
};

// No value when the text can be searched for; otherwise the refusal
// (messages::kSearchTextTooShort): fewer than three letters or digits, or no
// group holding two different characters (such a text would match almost
// anywhere).
[[nodiscard]] std::optional<std::u16string_view> CheckSearchText(std::u16string_view text);

// Every hit of the text in the ROM. A text that CheckSearchText refuses, a
// bad width or a ROM shorter than the text gives no hits.
[[nodiscard]] RelativeSearchResult RelativeSearch(std::span<const std::uint8_t> rom, std::u16string_view text,
                                                  const RelativeSearchOptions& options);

// One line of the hit list, without line end: the offset in hexadecimal, a tab,
// then "A=XX a=XX 0=XX" for the groups the hit has a base for (2 digits for
// width 1, 4 for width 2).
[[nodiscard]] std::u16string FormatRelativeHit(const RelativeHit& hit, int width);

// The longest start of a text that has no hit which does hit: cut after any
// character, holding at least four letters or digits.
struct StartHit {
    std::u16string start;
    std::int64_t offset = 0;  // its first hit
    std::size_t hitCount = 0;
};
[[nodiscard]] std::optional<StartHit> LongestHittingStart(std::span<const std::uint8_t> rom, std::u16string_view text,
                                                          const RelativeSearchOptions& options);

// The draft character table of a hit of text in rom, one "KEY=C" line per
// character, each ended by CR LF. KEY is the character's value as its bytes
// lie in the ROM (two hex digits for width 1; four for width 2, in the given
// byte order). When the hit's bases are ASCII's (A=41, a=61, 0=30), every
// printable ASCII character 20-7E. Otherwise, for each group the hit has a
// base for, in the order A-Z, a-z, 0-9, the whole group; then each other
// character of the text but "?" that stands for one value wherever it occurs
// in the hit (a custom font's space, its punctuation), unless a group's run
// already holds that value. Where two groups' runs overlap, both lines are
// written; the table then reads the earlier one.
[[nodiscard]] std::u16string DraftTable(std::span<const std::uint8_t> rom, std::u16string_view text,
                                        const RelativeHit& hit, int width, bool bigEndian);

}  // namespace quorvex
