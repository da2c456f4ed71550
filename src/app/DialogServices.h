#pragma once
#include "commands/CommandResult.h"
#include "platform/Prompt.h"

#include <QMessageBox>
#include <QString>

class QDialog;
class QWidget;

namespace quorvex::app {

// The caption of every message box of the engine's commands.
inline const QString kAppName = QStringLiteral("Quorvex");
// The caption of the two warnings of the type pickers.
inline const QString kErrorCaption = QStringLiteral("ERROR!");

// File filters of the choosers.
inline const QString kRomFilter = QStringLiteral("ROMs (*.nes *.smc *.bin *.img);;All files (*)");
inline const QString kTableFilter = QStringLiteral("Readable Files (*.txt *.tbl *.utf);;All Files (*)");
inline const QString kAllFilesFilter = QStringLiteral("All Files (*)");
inline const QString kScriptFilter = QStringLiteral("Scripts (*.txt);;All Files (*)");

// The icon of a message box that brings this kind of news.
[[nodiscard]] QMessageBox::Icon IconFor(Severity severity);

// Everything modal the dialogs start: message boxes, questions, file choosers
// and the small dialogs (picker, About box). The dialogs reach them only
// through this, so tests can answer them without a modal loop.
class DialogServices {
public:
    virtual ~DialogServices() = default;
    // A message box with an OK button and the icon.
    virtual void message(QWidget* owner, const QString& text, const QString& caption, QMessageBox::Icon icon) = 0;
    // A message box with Yes and No and the question icon; true for Yes.
    [[nodiscard]] virtual bool question(QWidget* owner, const QString& text, const QString& caption) = 0;
    // The open-file chooser with a filter in Qt's form, opened in the folder
    // (the chooser's own choice when empty); the chosen file's full path, or an
    // empty text when the user cancelled.
    [[nodiscard]] virtual QString openFile(QWidget* owner, const QString& filter, const QString& folder) = 0;
    // The save-file chooser, opened on a proposed path (folder and name); it
    // asks before a file is replaced. The chosen path, or empty after Cancel.
    [[nodiscard]] virtual QString saveFile(QWidget* owner, const QString& filter, const QString& proposed) = 0;
    // Runs a prepared dialog modally to its end; its result code (QDialog::Accepted or Rejected).
    virtual int exec(QDialog& dialog) = 0;
};

// The real thing: QMessageBox, QFileDialog::getOpenFileName and
// getSaveFileName, QDialog::exec.
class QtDialogServices final : public DialogServices {
public:
    void message(QWidget* owner, const QString& text, const QString& caption, QMessageBox::Icon icon) override;
    [[nodiscard]] bool question(QWidget* owner, const QString& text, const QString& caption) override;
    [[nodiscard]] QString openFile(QWidget* owner, const QString& filter, const QString& folder) override;
    [[nodiscard]] QString saveFile(QWidget* owner, const QString& filter, const QString& proposed) override;
    int exec(QDialog& dialog) override;
};

// The questions of the commands as message boxes captioned with the application name.
class DialogPrompt final : public Prompt {
public:
    DialogPrompt(DialogServices& services, QWidget* owner) : m_services(services), m_owner(owner) {}
    [[nodiscard]] bool askYesNo(std::u16string_view text) override;

private:
    DialogServices& m_services;
    QWidget* m_owner;
};

// Wide text of the engine to QString and back.
[[nodiscard]] QString ToQString(std::u16string_view text);
[[nodiscard]] std::u16string ToU16(const QString& text);

}  // namespace quorvex::app
