#include "ProjectActions.h"

#include "CommandRunner.h"

#include "DialogServices.h"

#include "commands/build/Build.h"
#include "commands/patch/PatchCommands.h"
#include "job/Messages.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>

#include <filesystem>

namespace quorvex::app {

namespace {

const QString kProjectFilter = QStringLiteral("Project files (*.toml);;All Files (*)");
const QString kPatchFilter = QStringLiteral("Patches (*.bps *.ips);;All Files (*)");

// A file beside `beside`, named after `nameOf` with another suffix.
QString Proposed(const QString& beside, const QString& nameOf, const QString& suffix) {
    return QFileInfo(beside).dir().filePath(QFileInfo(nameOf).completeBaseName() + suffix);
}

QString Folder(const QString& file) { return QFileInfo(file).absolutePath(); }

}  // namespace

void AddProjectActions(QMenu& menu, const ProjectActionsHost& host) {
    const struct {
        const char* text;
        const char* name;
        void (*handler)(const ProjectActionsHost&);
    } items[] = {
        {"&Build Project...", "actionBuildProject", &BuildProject},
        {"&Make Patch...", "actionMakePatch", &MakePatch},
        {"&Apply Patch...", "actionApplyPatch", &ApplyPatch},
        {"&Fix Checksum...", "actionFixChecksum", &FixChecksum},
    };
    for (const auto& item : items) {
        QAction* action = menu.addAction(QString::fromLatin1(item.text));
        action->setObjectName(QString::fromLatin1(item.name));
        QObject::connect(action, &QAction::triggered, host.owner, [host, handler = item.handler] { handler(host); });
    }
}

void BuildProject(const ProjectActionsHost& host) {
    const QString project = host.services.openFile(host.owner, kProjectFilter, QString());
    if (project.isEmpty()) return;
    if (host.outputUnsaved() &&
        !host.services.question(host.owner, ToQString(messages::kReplaceUnsavedQuestion), kAppName))
        return;
    const CommandResult result = RunWaiting([&] { return commands::Build({ToPath(project), std::nullopt}); });
    if (result.output) host.showReport(*result.output);
    ShowMessages(host.services, host.owner, result);
}

void MakePatch(const ProjectActionsHost& host) {
    const QString original = host.services.openFile(host.owner, kRomFilter, QString());
    if (original.isEmpty()) return;
    const QString modified = host.services.openFile(host.owner, kRomFilter, Folder(original));
    if (modified.isEmpty()) return;
    const QString patch = host.services.saveFile(host.owner, kPatchFilter, Proposed(modified, modified, QStringLiteral(".bps")));
    if (patch.isEmpty()) return;
    ShowMessages(host.services, host.owner, RunWaiting([&] { return commands::MakePatch({ToPath(original), ToPath(modified), ToPath(patch)}); }));
}

void ApplyPatch(const ProjectActionsHost& host) {
    const QString patch = host.services.openFile(host.owner, kPatchFilter, QString());
    if (patch.isEmpty()) return;
    const QString rom = host.services.openFile(host.owner, kRomFilter, Folder(patch));
    if (rom.isEmpty()) return;
    const QString suffix = QFileInfo(rom).suffix();
    const QString output = host.services.saveFile(
        host.owner, kRomFilter, Proposed(rom, patch, suffix.isEmpty() ? QString() : QStringLiteral(".") + suffix));
    if (output.isEmpty()) return;
    ShowMessages(host.services, host.owner, RunWaiting([&] { return commands::ApplyPatch({ToPath(patch), ToPath(rom), ToPath(output)}); }));
}

void FixChecksum(const ProjectActionsHost& host) {
    const QString rom = host.services.openFile(host.owner, kRomFilter, QString());
    if (rom.isEmpty()) return;
    CommandResult result = RunWaiting([&] { return commands::Checksum({ToPath(rom), ChecksumChoice::Auto, false}); });
    if (result.output && result.exit == ExitClass::Over) {
        const QString line = ToQString(*result.output).trimmed();
        if (!host.services.question(host.owner, ToQString(messages::FixChecksumQuestion(ToU16(line))), kAppName)) return;
        result = RunWaiting([&] { return commands::Checksum({ToPath(rom), ChecksumChoice::Auto, true}); });
    }
    if (result.output)
        host.services.message(host.owner, ToQString(*result.output).trimmed(), kAppName, QMessageBox::Information);
    ShowMessages(host.services, host.owner, result);
}

}  // namespace quorvex::app
