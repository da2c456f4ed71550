#pragma once
#include "job/CTextEngine.h"
#include "platform/CodePage.h"
#include "platform/Prompt.h"

#include <optional>
#include <string>

namespace quorvex {

class CharTable;

enum class Tab : int { Extract = 0, Insert = 1, CheckInsert = 2 };

// The texts of the six number edits, as typed (the edits show capitals).
struct JobFieldTexts {
    std::u16string tableStart;  // edit 1002
    std::u16string tableEnd;    // edit 1003
    std::u16string textStart;   // edit 1005
    std::u16string textEnd;     // edit 1012
    std::u16string xOffset;     // edit 1004
    std::u16string huffTable;   // edit 1013, "HuffTable:" or "ED Cmnd:"
};

// Reads the edits with "%X" (hex) or "%i" into a fresh JobSettings; an edit
// without a number leaves its field 0. commandLength = (characters of the
// HuffTable edit + 1) / 2.
[[nodiscard]] JobSettings ReadJobFields(const JobFieldTexts& fields, bool hex);

// Everything GO takes from the dialog.
struct GoState {
    std::u16string romPath;     // edit 1009
    std::u16string tablePath;   // edit 1008 (stored, not used)
    std::u16string insertPath;  // edit 1015
    bool hex = true;            // radio 1000 "HEX"
    JobFieldTexts fields;
    Tab tab = Tab::Extract;
    TableType tableType = TableType::Regular2;
    TextType textType = TextType::Regular;
    const CharTable* table = nullptr;              // the loaded character table, if any
    const std::u16string* insertText = nullptr;    // the loaded insert text, if any
    TextDecoding decoding;                         // the read mode, for loading the insert file late
};

struct GoResult {
    // The new text of the output box; no value: the box keeps what it shows.
    std::optional<std::u16string> output;
    // The insert file GO had to load because none was held (the dialog keeps it).
    std::optional<std::u16string> loadedInsertText;
};

// The GO command without the dialog: checks the paths, builds an engine,
// dispatches on the tab. Every message, the file error included, goes through prompt.
[[nodiscard]] GoResult RunGo(const GoState& state, Prompt& prompt);

}  // namespace quorvex
