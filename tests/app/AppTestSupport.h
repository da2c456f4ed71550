#pragma once
#include "FakeServices.h"
#include "QuorvexDlg.h"

#include <QByteArray>
#include <QLabel>
#include <QStatusBar>
#include <QString>
#include <QTemporaryDir>

#include <memory>
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

// A Regular2 script with no pointer table whose text area is 0 to textEnd,
// with the body after the dash line.
[[nodiscard]] QByteArray Script(const QByteArray& body, int textEnd = 2);

// Every control id of the main dialog, and those not hidden.
[[nodiscard]] std::set<int> AllControls();
[[nodiscard]] std::set<int> ShownControls(const CQuorvexDlg& dialog);

// The text of a line edit, a label or a button of the main dialog.
[[nodiscard]] QString ControlText(const CQuorvexDlg& dialog, int id);
// Types into a line edit as a user would (after emptying it).
void TypeInto(CQuorvexDlg& dialog, int id, const QString& text);
void ClickTab(CQuorvexDlg& dialog, int index);
void Click(CQuorvexDlg& dialog, int id);
void TriggerMenu(CQuorvexDlg& dialog, const char* objectName);
[[nodiscard]] inline QString Output(const CQuorvexDlg& dialog) { return dialog.outputText(); }
void SetOutput(CQuorvexDlg& dialog, const QString& text);
// What the status line says of the table and of the Insert File.
[[nodiscard]] inline QString TableStatus(const CQuorvexDlg& dialog) {
    return dialog.statusBar()->findChild<QLabel*>("statusTable")->text();
}
[[nodiscard]] inline QString InsertFileStatus(const CQuorvexDlg& dialog) {
    return dialog.statusBar()->findChild<QLabel*>("statusInsertFile")->text();
}
// Drags a local file onto a widget and drops it there, as a file manager
// does; false when the widget refused the drag.
[[nodiscard]] bool DropFile(QWidget* widget, const QString& path);

// One main dialog on fake services, shown, with a fresh folder for its files,
// and the steps tests take on it. open() in a test's init(), close() in its cleanup().
struct DialogFixture {
    std::unique_ptr<FakeServices> services;
    std::unique_ptr<CQuorvexDlg> dialog;
    std::unique_ptr<TestFolder> folder;

    void open();
    void close();
    [[nodiscard]] QStringList messageTexts() const { return services->messageTexts(); }
    // Loads a table or an Insert File through its Browse button.
    void loadTable(const QByteArray& bytes, const QString& name = QStringLiteral("table.tbl"));
    void loadInsertFile(const QString& name, const QByteArray& bytes);
    void chooseRom(const QString& path);
    // Opens a type picker with its "\/" button; the handler drives it.
    void pickTable(FakeServices::DialogHandler handler);
    void pickText(FakeServices::DialogHandler handler);
    // A ROM with "AB" at 0x10 and "D" at 0x13, each ended by EE, its first
    // bytes holding `table`, chosen along with a table that knows those letters.
    QString useTinyRom(const QByteArray& table);
    // Extracts the tiny ROM's two strings through a two-byte table at 0:
    // the output box then shows kTinyScript.
    void extractTinyRom();
};

inline const QString kTinyScript = QStringLiteral(
    "Table Start:\t0\r\nTable End:\t3\r\nText Start:\t10\r\nText End:\t14\r\nXOffset:\tFFFF8000\r\n\r\n"
    "Table Type:\t0\r\nText Type:\t0\r\n-----------------\r\n0\r\nAB[END]\r\n2\r\nD[END]\r\n");

}  // namespace quorvex::app::test
