#pragma once
// The search tools as user actions: relative search (with its draft
// character table) and the pointer finder, each reading the ROM itself.
#include "commands/CommandResult.h"
#include "search/PointerFinder.h"
#include "search/RelativeSearch.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace quorvex::commands {

struct RelativeSearchRequest {
    std::filesystem::path rom;
    std::u16string text;
    RelativeSearchOptions options;  // maxHits: the hit lines shown
    std::filesystem::path tableOut;  // empty: no draft table is written
    std::size_t hit = 1;             // whose draft is written, counting from 1
};

// Relative search: the hit lines (FormatRelativeHit, each ended by LF) as
// output and "N hits" as the last message. Ok with hits, Over with none.
// With tableOut, the draft table of hit K (DraftTable) is saved there as
// UTF-8, atomically; hit K may lie past the lines shown. Usage, before the ROM
// is read, for a text CheckSearchText refuses, a width other than 1 or 2, a
// hit number of 0 or a tableOut that is the ROM; Failed, with nothing written,
// when the ROM cannot be read, the draft cannot be saved, or there are hits
// but fewer than K.
[[nodiscard]] CommandResult RelativeSearch(const RelativeSearchRequest& request);

struct FindPointersRequest {
    std::filesystem::path rom;
    PointerSearchRequest search;
    bool decimal = false;  // numbers as "%i" instead of "%X", in the lines and the extract command
};

struct FindPointersOutcome {
    CommandResult result;
    std::vector<PointerCandidate> candidates;  // what the output lists, in its order
};

// Find Pointers: one FormatPointerCandidate line per candidate (each ended by
// LF) as output, and the message ExtractCommandLine gives for the first. Ok
// with candidates; Over, with kNoPointerTable, with none; Usage with the
// refusal of CheckPointerSearch; Failed when the ROM cannot be read.
[[nodiscard]] FindPointersOutcome FindPointers(const FindPointersRequest& request);

}  // namespace quorvex::commands
