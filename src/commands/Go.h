#pragma once
#include "commands/Commands.h"

#include <optional>
#include <string>

namespace quorvex::commands {

enum class Tab : int { Extract = 0, Insert = 1, CheckInsert = 2 };

// Everything GO takes from the dialog.
struct GoState {
    std::u16string romPath;
    bool hex = true;  // the HEX radio button
    JobFieldTexts fields;
    Tab tab = Tab::Extract;
    TableType tableType = TableType::Regular2;
    TextType textType = TextType::Regular;
    AddressMapKind map = AddressMapKind::None;   // the Map choice; a map sets the X000 Offset aside
    TableFile table;                             // the character table the dialog holds, if any
    ScriptFile insertFile;                       // the Insert File: its path and the text the dialog holds
    TextDecoding decoding{};                      // the read mode, for files that are not held
    bool shortest = false;                       // Insert and Check Insert in the shortest encoding
    bool listGrown = false;                      // Check Insert lists the strings that grew (needs the ROM)
};

// "You can't run this without the ROM!" unless a ROM path is set (Check
// Insert needs none).
[[nodiscard]] std::optional<CommandResult> RefuseWithoutRom(const std::u16string& romPath, Tab tab);

// The GO command: checks the paths and runs Extract, Insert or Check Insert
// for the tab.
[[nodiscard]] CommandResult RunGo(const GoState& state, Prompt& prompt);

}  // namespace quorvex::commands
