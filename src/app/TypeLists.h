#pragma once
#include <QString>

#include <span>

namespace quorvex::app {

// One entry of a picker list: the name shown in the list and in the main
// dialog's name field, and the description shown under "Detail" ("\r\n" is a
// line break). The entry's position is its TableType / TextType number.
struct TypeEntry {
    const char16_t* name;
    const char16_t* description;
};

[[nodiscard]] std::span<const TypeEntry> TableTypeEntries();
[[nodiscard]] std::span<const TypeEntry> TextTypeEntries();

// The text as a widget shows it: CR LF becomes a plain line break.
[[nodiscard]] QString DisplayText(const QString& text);

}  // namespace quorvex::app
