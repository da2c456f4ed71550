#pragma once
#include "commands/Commands.h"

#include <optional>
#include <string>

namespace quorvex::commands {

enum class Tab : int { Extract = 0, Insert = 1, CheckInsert = 2 };

// Everything GO takes from the dialog.
struct GoState {
    std::u16string romPath;
    std::u16string insertPath;
    bool hex = true;  // the HEX radio button
    JobFieldTexts fields;
    Tab tab = Tab::Extract;
    TableType tableType = TableType::Regular2;
    TextType textType = TextType::Regular;
    AddressMapKind map = AddressMapKind::None;   // the Map choice; a map sets the X000 Offset aside
    const CharTable* table = nullptr;            // the loaded character table, if any
    const std::u16string* insertText = nullptr;  // the loaded insert text, if any
    TextDecoding decoding;                       // the read mode, for loading the insert file late
    bool shortest = false;                       // Insert and Check Insert in the shortest encoding
    bool listGrown = false;                      // Check Insert lists the strings that grew (needs the ROM)
};

struct GoResult {
    CommandResult result;
    // The insert file GO had to load because none was held (the dialog keeps it).
    std::optional<std::u16string> loadedInsertText;
};

// "You can't run this without the ROM!" unless a ROM path is set (Check
// Insert needs none).
[[nodiscard]] std::optional<CommandResult> RefuseWithoutRom(const std::u16string& romPath, Tab tab);

// The GO command: checks the paths and runs Extract, Insert or Check Insert
// for the tab.
[[nodiscard]] GoResult RunGo(const GoState& state, Prompt& prompt);

}  // namespace quorvex::commands
