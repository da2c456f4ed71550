#pragma once
// Turning a request's input files into the table and text a command works on.
#include "chartable/CharTable.h"
#include "commands/CommandResult.h"
#include "commands/InputFile.h"
#include "platform/CodePage.h"

#include <optional>
#include <string>

namespace quorvex::commands {

// The table a command uses: the held copy while it is current, else the file
// read now (kept in `read`), else none when no table is named. Reading tells
// result when the table holds lines it does not read; a file that cannot be
// read throws.
[[nodiscard]] const CharTable* UseTable(const TableFile& file, const TextDecoding& decoding,
                                        std::optional<CharTable>& read, CommandResult& result);

// Tells result when the table holds lines it does not read.
void TellUnreadLines(const CharTable& table, CommandResult& result);

// The script a command uses, as UseTable finds it (a script is always named).
[[nodiscard]] const std::u16string& UseScript(const ScriptFile& file, const TextDecoding& decoding,
                                              std::optional<std::u16string>& read);

}  // namespace quorvex::commands
