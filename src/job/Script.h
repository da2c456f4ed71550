#pragma once
#include "job/JobSettings.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvex {

inline constexpr std::u16string_view kDashLine = u"-----------------\r\n";
inline constexpr std::u16string_view kMapKey = u"Map:\t";

// What a script's header says about its job.
struct ScriptHeader {
    JobSettings job;  // tableStart, tableEnd, textStart, textEnd, xOffset, huffTable, map
    TableType tableType = TableType::Regular2;
    TextType textType = TextType::Regular;
    bool hasHuffTable = false;  // a "HuffTable:\t" line was found
};

// The header lines and the dash line, each ended by CR LF. The "HuffTable:"
// line is written for Huffman text and for the Scattered layouts only, the
// "NullPointer:" line (after it) when the job has empty entries, then the
// "Map:" line for jobs with an address map only.
[[nodiscard]] std::u16string WriteScriptHeader(const JobSettings& job, TableType tableType, TextType textType);

// Reads the keys, each by its first occurrence anywhere in the text. No value
// when the text is not a complete script: "Table Start:\t" missing, one of the
// other four required keys missing, "Table Type:\t" without "Text Type:\t",
// or a "Map:\t" line before the dash line that names no known map.
[[nodiscard]] std::optional<ScriptHeader> ReadScriptHeader(std::u16string_view script);

// The script with map named on a "Map:" line before its dash line. The
// script as it is when map is None, when it names that map already or when it
// is incomplete; no value when it names another.
[[nodiscard]] std::optional<std::u16string> WithMapLine(std::u16string_view script, AddressMapKind map);

// Index of the first body character (19 characters after the dash line's start);
// no value when there is no dash line.
[[nodiscard]] std::optional<std::size_t> FindScriptBody(std::u16string_view script);

// True when the script has a complete header and a dash line.
[[nodiscard]] bool IsCompleteScript(std::u16string_view script);

// How a body is laid out, as Extract writes it.
enum class BodyLayout {
    TextOnly,      // every line is one string's text
    PointerLines,  // each block starts with a pointer line (or is a repeat line)
    LengthTable,   // text lines only; a length table is rewritten (PascalLine, Custom1)
};
// Scattered layouts always have pointer lines; Regular2, Variation1, Regular3,
// Regular4 and Variation4 when a table is present; PascalLine and Custom1 have
// a length table when a table is present; everything else is text only.
[[nodiscard]] BodyLayout ReadBodyLayout(const ScriptHeader& header);

// Empty: "n" after the offset, an entry that points at no text.
enum class PointerLineKind { Plain, Repeat, Move, Empty };

struct PointerLine {
    std::optional<std::int32_t> offset;  // none when the line starts with no number
    PointerLineKind kind = PointerLineKind::Plain;
    std::optional<std::int32_t> second;  // repeat and move lines: the number after the marker
    std::size_t lineEnd = 0;             // index of the line's CR (or the end of the text)
    std::size_t next = 0;                // where the next line begins
};

// Reads the pointer line that begins at pos. The number is read as "%X" within
// the line; the character after it is the separator and the next one the
// marker ("r"/"R" repeat, "m"/"M" move, "n"/"N" empty, anything else plain).
[[nodiscard]] PointerLine ParsePointerLine(std::u16string_view script, std::size_t pos);

// Index of the first CR at or after pos, or the text's size.
[[nodiscard]] std::size_t FindLineEnd(std::u16string_view script, std::size_t pos);
// Where the line after the one containing pos begins: two characters past its CR,
// or the text's size when no CR is left.
[[nodiscard]] std::size_t NextLineStart(std::u16string_view script, std::size_t pos);
// 1-based number of the script line that holds pos.
[[nodiscard]] std::int64_t LineNumberAt(std::u16string_view script, std::size_t pos);
// 1-based column of pos in its line, counted in characters (a surrogate pair is one).
[[nodiscard]] std::int64_t ColumnAt(std::u16string_view script, std::size_t pos);

}  // namespace quorvex
