#pragma once
// The File menu's translation items: Build Project..., Make Patch..., Apply
// Patch... and Fix Checksum.... Each asks for its files through the dialog's
// services, runs one command of the command layer and shows what it says.
#include <QString>

#include <functional>
#include <string_view>

class QMenu;
class QWidget;

namespace quorvex::app {

class DialogServices;

// What the items need of the window they belong to.
struct ProjectActionsHost {
    DialogServices& services;
    QWidget* owner = nullptr;
    // Puts a build's report into the output box.
    std::function<void(std::u16string_view)> showReport;
    // True when the output box holds work that the report would replace unsaved.
    std::function<bool()> outputUnsaved;
};

// Adds the four items to menu, in the order above. Cancel in any chooser, or
// No to a question, ends the item without running anything.
void AddProjectActions(QMenu& menu, const ProjectActionsHost& host);

// Build Project...: a .toml project; the report goes to the output box (after
// asking, when that would replace an unsaved script), the messages to boxes.
void BuildProject(const ProjectActionsHost& host);
// Make Patch...: the original ROM, the modified ROM, then where to save the patch.
void MakePatch(const ProjectActionsHost& host);
// Apply Patch...: the patch, the ROM, then where to save the patched ROM.
void ApplyPatch(const ProjectActionsHost& host);
// Fix Checksum...: a ROM; shows its checksum line and, when it is wrong, asks
// before the computed checksum is written.
void FixChecksum(const ProjectActionsHost& host);

}  // namespace quorvex::app
