#pragma once
// Suggest: dictionary entries proposed from a script's text, each a run of
// its characters under a code the table does not use.
#include "commands/CommandResult.h"
#include "commands/InputFile.h"
#include "platform/CodePage.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <utility>

namespace quorvex::commands {

struct SuggestRequest {
    std::filesystem::path table;  // read as a file: the entries are appended to its own bytes
    ScriptFile script;
    TextDecoding decoding;  // the read mode of both files
    int count = 64;
    // The codes to give out, both ends included; none: every byte value the
    // table leaves free.
    std::optional<std::pair<std::uint8_t, std::uint8_t>> codes;
    int minLength = 2;
    int maxLength = 2;
    bool shortest = false;  // measure the text as check --shortest does
    std::filesystem::path output{};  // empty: no table is written
};

// The longest runs a request may ask for: longer ones would almost never
// repeat in a script, and the search grows with the length.
inline constexpr int kMaxSuggestLength = 32;

// Reads the table and the script in the read mode, takes the script's text
// lines as Check Insert walks them (no header, pointer or repeat lines) and
// proposes up to `count` entries. The output lists them as table lines, each
// with what it saves, tab-separated ("E0=th\t1234"), then "The text takes %i
// bytes instead of %i (%i fewer).", the totals check reports with the old and
// the extended table. With an output, the table file is written there with the
// entries appended (its encoding and line ends kept), atomically.
// Usage when the request is malformed (count below 0, lengths outside 2 to
// kMaxSuggestLength or the least above the greatest, codes the wrong way round,
// an output that is the script); Failed, with nothing written, when a file
// cannot be read, the script is no script or holds Huffman v2 text, a line
// has a character the table lacks, or the table file cannot hold the entries.
[[nodiscard]] CommandResult Suggest(const SuggestRequest& request);

}  // namespace quorvex::commands
