#pragma once
// The Tools menu: Relative Search... and Find Pointers..., the two steps from
// a line of on-screen text to the numbers of a first Extract. Both are modal
// dialogs run through the services; each runs its command of the command
// layer and shows the hits or candidates in a list.
#include "search/PointerFinder.h"

#include <QString>

#include <functional>

class QMenu;
class QWidget;

namespace quorvex::app {

class DialogServices;

// What the tools need of the window they belong to.
struct SearchToolsHost {
    DialogServices& services;
    QWidget* owner = nullptr;
    std::function<QString()> romPath;  // the ROM the tools search; empty: none chosen
    std::function<bool()> hex;         // numbers are typed and shown in hexadecimal (the HEX radio)
    // Loads a table file as the held table (its messages shown by the window).
    std::function<void(const QString&)> loadTable;
    // Puts a candidate's numbers and table type into the Extract tab's fields.
    std::function<void(const PointerCandidate&)> useCandidate;
};

// Adds "Relative Search..." and "Find Pointers..." to menu.
void AddSearchTools(QMenu& menu, const SearchToolsHost& host);

// Relative Search...: text, width and byte order; Search lists the hits.
// "Save Table Draft..." saves the selected hit's draft where the chooser says;
// "Load as Table" does the same and then loads the saved draft as the held
// table. Refusals and file errors are message boxes.
void OpenRelativeSearch(const SearchToolsHost& host);

// Find Pointers...: text offsets (separated by spaces or commas) and the
// optional X000 Offset, read as the HEX/DEC radio says; Find lists the
// candidates in the same form and shows the extract command of the first.
// "Use" puts the selected candidate into the Extract tab and closes.
void OpenFindPointers(const SearchToolsHost& host);

}  // namespace quorvex::app
