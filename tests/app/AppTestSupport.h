#pragma once
#include "FakeServices.h"
#include "QuorvexDlg.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <set>

namespace quorvex::app::test {

// A fresh folder for one test's files.
class TestFolder {
public:
    TestFolder();
    [[nodiscard]] QString path(const QString& name) const { return m_dir.filePath(name); }
    // Writes bytes to the named file and returns its full path.
    QString write(const QString& name, const QByteArray& bytes) const;
    // Copies a file of the source tree's examples folder in.
    QString copyExample(const QString& name) const;

private:
    QTemporaryDir m_dir;
};

[[nodiscard]] QByteArray ReadAll(const QString& path);

// The ids of the main dialog's controls that are not hidden.
[[nodiscard]] std::set<int> ShownControls(const CQuorvexDlg& dialog);
// Every control id of the main dialog.
[[nodiscard]] const std::set<int>& AllControls();

// The text of a line edit, a label or a push button of the main dialog.
[[nodiscard]] QString ControlText(const CQuorvexDlg& dialog, int id);
// Types into a line edit as a user would (after emptying it).
void TypeInto(CQuorvexDlg& dialog, int id, const QString& text);
// Selects a tab by clicking it.
void ClickTab(CQuorvexDlg& dialog, int index);
void Click(CQuorvexDlg& dialog, int id);
// Opens a type picker with its "\/" button; the handler drives it.
void Pick(CQuorvexDlg& dialog, FakeServices& services, int button, FakeServices::DialogHandler handler);
// Triggers a menu item by its object name ("action32773" ...).
void TriggerMenu(CQuorvexDlg& dialog, const char* objectName);
// The output box's text with CR LF line ends.
[[nodiscard]] QString Output(const CQuorvexDlg& dialog);
void SetOutput(CQuorvexDlg& dialog, const QString& text);

}  // namespace quorvex::app::test
