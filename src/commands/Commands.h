#pragma once
// The user's actions on a job, one function each, shared by the dialog and
// the command line. Each opens and saves the files it needs, catches every
// failure, and returns everything the user is to be told.
#include "chartable/CharTable.h"
#include "commands/CommandResult.h"
#include "commands/InputFile.h"
#include "patch/Checksum.h"
#include "job/JobAreas.h"
#include "job/JobSettings.h"
#include "job/TextBox.h"
#include "platform/CodePage.h"
#include "platform/Prompt.h"

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quorvex::commands {

// Loads a character table in the read mode. No table (and the file error as
// the message) when the file cannot be read; a warning when the table holds
// lines that are not read (CharTable::hasUnreadLines).
struct LoadedTable {
    std::optional<CharTable> table;
    CommandResult result;
};
[[nodiscard]] LoadedTable LoadTable(const std::filesystem::path& path, const TextDecoding& decoding);

// Loads an edited script whole in the read mode (a LF alone is read as CR LF,
// a byte-order mark dropped). No text when the file cannot be read.
struct LoadedScript {
    std::optional<std::u16string> text;
    CommandResult result;
};
[[nodiscard]] LoadedScript LoadScript(const std::filesystem::path& path, const TextDecoding& decoding);

struct ExtractRequest {
    std::filesystem::path rom;
    TableFile table;
    TextDecoding decoding{};  // the read mode of the table file
    JobSettings job;
    TableType tableType = TableType::Regular2;
    TextType textType = TextType::Regular;
    std::filesystem::path saveTo;  // empty: the script is only returned as output
};
// Extract: the script as output (or saved to saveTo, as UTF-8), and "Done".
[[nodiscard]] CommandResult Extract(const ExtractRequest& request);

struct InsertRequest {
    std::filesystem::path rom;
    TableFile table;
    ScriptFile script;
    TextDecoding decoding{};  // the read mode of the table and script files
    bool shortest = false;  // each line in the fewest bytes the table allows, not by longest match
    std::filesystem::path output{};  // empty: the ROM itself is replaced
    std::filesystem::path patch{};   // empty: none; otherwise a .ips or .bps patch from the ROM to the result
    std::optional<ChecksumChoice> checksum{};  // the header checksum repaired in the result before it is saved
    std::span<const ClaimedArea> othersAreas{};  // a build's other jobs: text running over may not reach them
};
// Insert: reads the table and the script (unless held), then replaces the
// ROM, all or nothing, while holding its update lock, so inserts into one ROM
// run one after the other. Asks prompt when the text
// runs over its area. With an output or a patch the ROM is only read and the
// result goes to those files instead, both or neither. A patch path with
// another extension, or an output or patch that is the ROM itself, is
// refused (Usage) before anything is read.
[[nodiscard]] CommandResult Insert(const InsertRequest& request, Prompt& prompt);

struct CheckRequest {
    std::filesystem::path rom;  // empty: none (Huffman v2 text then can't be measured)
    TableFile table;
    ScriptFile script;
    TextDecoding decoding{};
    bool shortest = false;
    bool listGrown = false;         // list the strings that grew past their string in the ROM (needs rom)
    std::optional<TextBox> box{};  // list the pieces of lines wider than the game's text box
};
// Check Insert: the report as output; exit Ok when the text fits, Over when
// it runs over or a piece of a line is wider than the box, Failed when the
// walk stopped or the file is bad. With shortest, the report is on the
// shortest encoding and ends by saying how many bytes it saves over longest
// match. The grown strings and the too wide pieces follow the report, one a
// line; listGrown without a ROM is refused (Usage) before anything is read.
[[nodiscard]] CommandResult CheckInsert(const CheckRequest& request);

struct TestRequest {
    std::u16string text;  // the typed line
    TableFile table;
    TextDecoding decoding{};
    bool shortest = false;
    std::optional<TextBox> box{};
};
// Test: Check Insert of one typed line (at least two characters).
[[nodiscard]] CommandResult Test(const TestRequest& request);

struct RedoRequest {
    std::filesystem::path script;
    std::filesystem::path rom;
    TableFile table;
    TextDecoding decoding{};
};
struct RedoOutcome {
    CommandResult result;  // saved: the new script as output
    // Saved: the types the header named.
    std::optional<TableType> tableType;
    std::optional<TextType> textType;
    // A bad file: the text that was read (the dialog holds it as the Insert File).
    std::optional<std::u16string> badFileText;
};
// ReDo Script: extracts what the script's header describes and saves the new
// script over the file (UTF-8 and one zero byte). The file is left as it was
// unless the whole new script was saved.
[[nodiscard]] RedoOutcome RedoScript(const RedoRequest& request);

// Save Script: saves the text (the dialog's output box) as UTF-8 without a
// byte-order mark, every line end (CR LF, or a LF or a CR alone) as CR LF,
// atomically. Says nothing when it worked; on failure the file error is the
// message and the file is left as it was.
[[nodiscard]] CommandResult SaveScript(const std::filesystem::path& path, std::u16string_view text);

}  // namespace quorvex::commands
