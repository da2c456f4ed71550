#pragma once
#include "platform/Prompt.h"

#include <QString>

class QDialog;
class QWidget;

namespace quorvex::app {

// The caption of every message box of the engine's commands.
inline const QString kAppName = QStringLiteral("Quorvex");
// The caption of the two warnings of the type pickers.
inline const QString kErrorCaption = QStringLiteral("ERROR!");

// File filters of the choosers.
inline const QString kRomFilter = QStringLiteral("ROMs (*.nes *.smc *.bin *.img);;All Files (*)");
inline const QString kTableFilter = QStringLiteral("Readable Files (*.txt *.tbl *.utf);;All Files (*)");
inline const QString kAllFilesFilter = QStringLiteral("All Files (*)");

// Everything modal the dialogs start: message boxes, questions, file choosers
// and the small dialogs (picker, About box). The dialogs reach them only
// through this, so tests can answer them without a modal loop.
class DialogServices {
public:
    virtual ~DialogServices() = default;
    // A message box with an OK button.
    virtual void message(QWidget* owner, const QString& text, const QString& caption) = 0;
    // A message box with Yes and No; true for Yes.
    [[nodiscard]] virtual bool question(QWidget* owner, const QString& text, const QString& caption) = 0;
    // The open-file chooser with a filter in Qt's form; the chosen file's full
    // path, or an empty text when the user cancelled.
    [[nodiscard]] virtual QString openFile(QWidget* owner, const QString& filter) = 0;
    // Runs a prepared dialog modally to its end; its result code (QDialog::Accepted or Rejected).
    virtual int exec(QDialog& dialog) = 0;
};

// The real thing: QMessageBox, QFileDialog::getOpenFileName, QDialog::exec.
class QtDialogServices final : public DialogServices {
public:
    void message(QWidget* owner, const QString& text, const QString& caption) override;
    [[nodiscard]] bool question(QWidget* owner, const QString& text, const QString& caption) override;
    [[nodiscard]] QString openFile(QWidget* owner, const QString& filter) override;
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
