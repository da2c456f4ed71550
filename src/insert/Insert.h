#pragma once
#include "job/JobAreas.h"
#include "platform/Prompt.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex {

class CharTable;

struct InsertResult {
    enum class Outcome {
        Written,   // the walk ended normally: image holds the new ROM
        BadFile,   // the script has no complete header or no dash line
        Stopped,   // a bad line, an unknown character, text past the end of the ROM
        Declined,  // the user answered No to running over the text area
    };
    Outcome outcome = Outcome::Stopped;
    std::vector<std::uint8_t> image;  // Written only
    // Written and Declined: what was left over or run over (and the strings
    // that had no pointer); otherwise why the insert stopped.
    std::u16string message;
    // Bytes past the end of the text area where the walk ended (0 or less: it fit).
    std::int64_t overLimit = 0;
};

// Encodes the script into a copy of the ROM image: every string one after
// another from Text Start, every pointer (or length) rewritten to match.
// When a string ends past Text End, asks prompt whether to go on. The image
// given is never changed; nothing is returned but Written's image. With
// shortest, each line takes the fewest bytes the table allows. Text that
// runs past Text End into one of othersAreas (the other jobs of a build)
// stops the insert, whatever prompt would answer.
[[nodiscard]] InsertResult Insert(std::span<const std::uint8_t> rom, const CharTable* table,
                                  std::u16string_view script, Prompt& prompt, bool shortest = false,
                                  std::span<const ClaimedArea> othersAreas = {});

}  // namespace quorvex
