#pragma once
// A large, realistic job made up from a seed: a ROM image with a pointer
// table and its text, and a character table that decodes it. The same seed
// always gives the same bytes, so timings of different builds compare.
#include "job/JobSettings.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace quorvex::bench {

enum class JobKind {
    Regular3,    // a Regular3 pointer table and plain text
    HuffmanV2,   // the same table, the text coded with Huffman v2
    Scattered2,  // no table: strings end with a 2-byte End Dialog Command
};

struct JobOptions {
    std::uint32_t seed = 1;
    JobKind kind = JobKind::Regular3;
    std::size_t pointers = 20000;        // pointer table entries (Scattered: ignored)
    double sharedFraction = 0.05;        // pointers that point at a string another pointer names
    std::size_t textBytes = 1u << 20;    // bytes of text, roughly
    std::size_t romBytes = 4u << 20;     // at least; grows when the text does not fit
    std::size_t tableEntries = 5000;     // character table entries
    // The text is drawn from the entries a table of this size would have, so
    // a larger table with the same text measures the table's size alone (0: all).
    std::size_t textEntries = 0;
    // Where the pointer table and the text go (Scattered: the text at 0x200000 always).
    std::int32_t tableStart = 0x080000;
    std::int32_t textStart = 0x100000;
    // Another seed for the character table alone, so that jobs with different
    // text share one table (0: the table comes from seed, with the text).
    std::uint32_t tableSeed = 0;
    // Words built from pieces that overlap one another ("the", "then", "hen",
    // "en"), in lower case, so that the text around them can be covered in
    // many ways: the case where the shortest encoding has the most to weigh.
    bool overlapping = false;
};

struct Job {
    JobOptions options;
    std::vector<std::uint8_t> rom;
    std::u16string tableText;  // the table file's text, as it is decoded
    std::string tableFile;     // the same in UTF-8, as it is written to disk
    JobSettings settings;      // what the user types for Extract
    TableType tableType = TableType::Regular3;
    TextType textType = TextType::Regular;
    std::size_t strings = 0;        // distinct strings in the text area
    std::size_t textAreaBytes = 0;  // textEnd - textStart + 1
};

// Builds the job. The table holds 1-, 2- and 3-byte keys, about a tenth of its
// entries whole words of 2 to 24 characters (so its longest text is 24),
// comment lines, lower-case keys and keys that stand on two lines. Every
// string is written as Insert would write its text, so extracting the job and
// inserting the script gives back the same ROM.
[[nodiscard]] Job MakeJob(const JobOptions& options);

// A translation build: jobs Regular3 jobs side by side in one ROM image (each
// its own pointer table and text area, all through one character table),
// and for each job a translation, the same layout with other text.
struct BuildJobs {
    std::vector<std::uint8_t> rom;        // the original
    std::vector<std::uint8_t> translated; // the same ROM with every job's translation in place
    std::vector<Job> originals;           // each job's own bytes, as MakeJob made them
    std::vector<Job> translations;
    std::string tableFile;                // UTF-8
};
[[nodiscard]] BuildJobs MakeBuildJobs(std::size_t jobs, std::size_t strings, std::size_t romBytes,
                                      std::size_t tableEntries = 5000);

// The command line arguments of quorvex-cli extract for the job (without --rom, --table).
[[nodiscard]] std::vector<std::string> ExtractArguments(const Job& job);

// Writes rom.bin, table.tbl (UTF-8) and job.txt (the extract arguments) into folder.
void WriteJobFiles(const Job& job, const std::filesystem::path& folder);

}  // namespace quorvex::bench
