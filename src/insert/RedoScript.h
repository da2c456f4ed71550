#pragma once
#include "job/JobSettings.h"
#include "platform/CodePage.h"
#include "platform/Prompt.h"

#include <filesystem>
#include <optional>
#include <string>

namespace quorvex {

class CharTable;

struct RedoResult {
    enum class Outcome { Saved, BadFile, Refused };
    Outcome outcome = Outcome::Refused;
    std::u16string script;      // Saved: the new script, as shown in the output box
    TableType tableType = TableType::Regular2;  // Saved: the types read from the header
    TextType textType = TextType::Regular;
    std::u16string badFileText;  // BadFile: the text that was read (the dialog keeps it)
};

// ReDo Script after the chooser: reads the script at scriptPath in the read
// mode, takes the job and the types from its header, extracts from romPath and
// saves the new script over scriptPath atomically, as UTF-8 plus one zero
// byte. "BAD FILE!" for a file that is not a complete script (file untouched).
// Throws FileError when the script or the ROM cannot be opened, read or
// written; the script file is then left as it was.
[[nodiscard]] RedoResult RedoScript(const std::filesystem::path& scriptPath, const std::filesystem::path& romPath,
                                    const CharTable* table, const TextDecoding& decoding, Prompt& prompt);

// commandLength from a HuffTable value, compared signed: below 0x100 gives 1,
// below 0x10000 2, below 0x1000000 3, otherwise 4.
[[nodiscard]] std::int32_t CommandLengthFromValue(std::int32_t huffTable);

}  // namespace quorvex
