// The loop a translator runs in the dialog for an afternoon: extract, save the
// script, edit it on disk, check and insert it, with the window sized, files
// dropped, settings remembered and the keyboard used as on any desktop tool.
#include "AppTestSupport.h"

#include "job/Messages.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTest>

using namespace quorvex;
using namespace quorvex::app;
using namespace quorvex::app::test;
using Dlg = CQuorvexDlg;

namespace {

const QString kFitsReport = QStringLiteral(
    "Text Starts at 0 and ends at 2 (3 bytes)\r\nDone.\r\n\r\nTotal length: 3 (x3) bytes\r\nThe text fits perfectly!");

// Shortcuts reach the active window only.
void SaveScriptByKeyboard(CQuorvexDlg& dialog) {
    QApplication::setActiveWindow(&dialog);
    QTest::keyClick(&dialog, Qt::Key_S, Qt::ControlModifier);
}

}  // namespace

class EditLoopTest : public QObject, DialogFixture {
    Q_OBJECT

private slots:
    void init() { open(); }
    void cleanup() { close(); }

    // GO and Test load a held file again when it changed on disk (size, time
    // or bytes), in the read mode of the moment, and leave it as held otherwise.
    void changedFilesAreLoadedAgainBeforeTheCommand() {
        // "+-" is "+" in UTF-7 and stays "+-" in UTF-8: it shows which mode read the text.
        const auto script = [](const QByteArray& body) { return Script(body).replace("\r\n\r\n", "\r\n+-\r\n"); };
        loadTable("41=A\r\n42=B\r\n44=D\r\n");
        ClickTab(*dialog, 2);
        loadInsertFile(QStringLiteral("script.txt"), script("ABD"));
        const QString path = ControlText(*dialog, Dlg::kEditInsertFile);
        TriggerMenu(*dialog, "action32772");  // UTF8
        Click(*dialog, Dlg::kButtonGo);
        QCOMPARE(Output(*dialog), kFitsReport);
        QVERIFY(ToQString(*dialog->insertText()).contains(QStringLiteral("\r\n+\r\n")));  // not read again

        folder->write(QStringLiteral("script.txt"), script("ABDAB"));
        Click(*dialog, Dlg::kButtonGo);
        QVERIFY2(Output(*dialog).endsWith(QStringLiteral("You are 2 bytes over the original text limit!")),
                 qPrintable(Output(*dialog)));
        QVERIFY(ToQString(*dialog->insertText()).contains(QStringLiteral("\r\n+-\r\n")));

        // Same size, same modification time, other bytes.
        const QDateTime modified = QFileInfo(path).lastModified();
        folder->write(QStringLiteral("script.txt"), script("AB\r\nD"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite) && file.setFileTime(modified, QFileDevice::FileModificationTime));
        file.close();
        Click(*dialog, Dlg::kButtonGo);
        QCOMPARE(Output(*dialog), kFitsReport);
        QCOMPARE(InsertFileStatus(*dialog), QStringLiteral("Insert File: script.txt (2 blocks)"));

        // The table too, for Test.
        QCOMPARE(TableStatus(*dialog), QStringLiteral("Table: table.tbl (3 entries, UTF7)"));
        folder->write(QStringLiteral("table.tbl"), "41=A\r\n42=B\r\n43=C\r\n44=D\r\n/FF\r\n!C0=Kanji,0\r\n");
        TypeInto(*dialog, Dlg::kEditTestText, QStringLiteral("ABC"));
        Click(*dialog, Dlg::kButtonTest);
        QCOMPARE(Output(*dialog), kFitsReport);
        // A switch line is told on the status line, not in a box.
        QCOMPARE(TableStatus(*dialog), QStringLiteral("Table: table.tbl (5 entries, UTF8) Table switches (!XX) are not "
                                                      "read; the line is ignored."));

        // A held file that is gone stops the command with the file error.
        QVERIFY(QFile::remove(path));
        Click(*dialog, Dlg::kButtonGo);
        QCOMPARE(services->messages.size(), std::size_t{1});
        QCOMPARE(services->messages[0].icon, QMessageBox::Critical);
        QVERIFY(dialog->insertText() == nullptr);
        QCOMPARE(Output(*dialog), kFitsReport);
    }

    // The whole job on the demo ROM: extract, save the script with Ctrl+S
    // (beside the ROM, under its name), insert it unchanged, edit the saved
    // file on disk, insert it without choosing it again, extract again.
    void demoRoundTripThroughTheSavedScript() {
        const QString rom = folder->copyExample(QStringLiteral("demo.bin"));
        const QByteArray original = ReadAll(rom);
        loadTable(ReadAll(QStringLiteral(QUORVEX_SOURCE_DIR "/examples/demo.tbl")));
        chooseRom(rom);
        for (const auto& [id, text] : {std::pair{Dlg::kEditTableStart, "10"}, {Dlg::kEditTableEnd, "37"},
                                       {Dlg::kEditTextStart, "100"}, {Dlg::kEditTextEnd, "2ff"}})
            TypeInto(*dialog, id, QString::fromLatin1(text));
        Click(*dialog, Dlg::kButtonGo);
        QCOMPARE(messageTexts(), QStringList{ToQString(messages::kDone)});
        const QString script = Output(*dialog);

        const QString saved = folder->path(QStringLiteral("demo.txt"));
        services->chooseFile(saved);
        SaveScriptByKeyboard(*dialog);
        QCOMPARE(services->proposed, QStringList{saved});
        QCOMPARE(ReadAll(saved), script.toUtf8());
        QCOMPARE(ControlText(*dialog, Dlg::kEditInsertFile), saved);
        QCOMPARE(InsertFileStatus(*dialog), QStringLiteral("Insert File: demo.txt (20 blocks)"));

        ClickTab(*dialog, 1);
        Click(*dialog, Dlg::kButtonGo);
        QVERIFY(services->messages.back().text.startsWith(QStringLiteral("You ended with ")));
        QCOMPARE(ReadAll(rom), original);

        QString edited = script;
        edited.replace(QStringLiteral("Welcome to Quillhaven!"), QStringLiteral("Hello, Quorvex!"));
        folder->write(QStringLiteral("demo.txt"), edited.toUtf8());
        Click(*dialog, Dlg::kButtonGo);
        QVERIFY(services->messages.back().text.contains(QStringLiteral("left over")));
        QCOMPARE(ReadAll(rom).size(), original.size());

        ClickTab(*dialog, 0);
        Click(*dialog, Dlg::kButtonGo);
        // The same script, up to the zeros after the last string that the shorter text left over.
        const QString again = Output(*dialog);
        const QString end = QStringLiteral("The end of the road.[END]");
        QCOMPARE(again.left(again.indexOf(end)), edited.left(edited.indexOf(end)));
    }

    // Saved as UTF-8 with CR LF line ends, no-break spaces kept; the next save
    // proposes the last folder used; a save that fails says why and changes nothing.
    void saveScriptKeepsEveryCharacter() {
        extractTinyRom();
        auto* output = qobject_cast<QPlainTextEdit*>(dialog->control(Dlg::kEditOutput));
        output->moveCursor(QTextCursor::End);
        output->insertPlainText(QStringLiteral("\u00e9\u00a0\u00bb"));
        QVERIFY(QDir(folder->path(QString())).mkdir(QStringLiteral("kept")));
        const QString kept = folder->path(QStringLiteral("kept/mine.txt"));
        services->chooseFile(kept);
        SaveScriptByKeyboard(*dialog);
        QCOMPARE(ReadAll(kept), (kTinyScript + QStringLiteral("\u00e9\u00a0\u00bb")).toUtf8());
        QCOMPARE(ToQString(*dialog->insertText()), kTinyScript + QStringLiteral("\u00e9\u00a0\u00bb"));
        // Edited on disk, the saved file is read back as the UTF-8 it was written in, not in UTF-7.
        QFile edited(kept);
        QVERIFY(edited.open(QIODevice::Append) && edited.write(QStringLiteral(" +-\u00e9").toUtf8()) > 0);
        edited.close();
        ClickTab(*dialog, 2);
        Click(*dialog, Dlg::kButtonGo);
        QVERIFY(ToQString(*dialog->insertText()).endsWith(QStringLiteral("\u00bb +-\u00e9")));
        ClickTab(*dialog, 0);

        services->chooseFile(folder->path(QStringLiteral("missing/tiny.txt")));
        SaveScriptByKeyboard(*dialog);
        QCOMPARE(services->proposed.last(), folder->path(QStringLiteral("kept/tiny.txt")));
        QCOMPARE(services->messages.back().icon, QMessageBox::Critical);
        QCOMPARE(ControlText(*dialog, Dlg::kEditInsertFile), kept);

        // Saved: closing asks nothing.
        QTest::keyClick(dialog.get(), Qt::Key_Escape);
        QVERIFY(!dialog->isVisible());
        QVERIFY(services->questions.empty());
    }

    void closingAsksWhileTheExtractedScriptIsUnsaved() {
        extractTinyRom();
        QTest::keyClick(dialog.get(), Qt::Key_Escape);
        TriggerMenu(*dialog, "actionExit");
        QVERIFY(dialog->isVisible());
        const QString question = ToQString(messages::kCloseUnsavedQuestion);
        QCOMPARE(services->questions.size(), std::size_t{2});
        QCOMPARE(services->questions[1].text, question);
        services->answers.push_back(true);
        dialog->close();  // the close box
        QVERIFY(!dialog->isVisible());
        QCOMPARE(services->questions.size(), std::size_t{3});
    }

    void readModeFoldersAndSizeAreRemembered() {
        QVERIFY(QDir(folder->path(QString())).mkpath(QStringLiteral("roms")));
        chooseRom(folder->path(QStringLiteral("roms/game.bin")));
        loadTable("41=A\r\n");
        TriggerMenu(*dialog, "action32773");  // Ascii
        const QSize size = dialog->minimumSize() + QSize(120, 80);
        dialog->resize(size);
        dialog->close();

        CQuorvexDlg again(services.get());
        QCOMPARE(again.readMode(), ReadMode::Ascii);
        QVERIFY(again.findChild<QAction*>(QStringLiteral("action32773"))->isChecked());
        QCOMPARE(again.size(), size);
        for (const int browse : {Dlg::kButtonBrowseRom, Dlg::kButtonBrowseTable}) Click(again, browse);
        QCOMPARE(services->folders.mid(services->folders.size() - 2),
                 (QStringList{folder->path(QStringLiteral("roms")), QDir::cleanPath(folder->path(QString()))}));
    }

    void keyboard() {
        // Tab and Shift+Tab leave the output box, which takes no tab character.
        auto* output = qobject_cast<QPlainTextEdit*>(dialog->control(Dlg::kEditOutput));
        QApplication::setActiveWindow(dialog.get());
        output->setFocus();
        QTest::keyClick(output, Qt::Key_Tab);
        QVERIFY(!output->hasFocus());
        QVERIFY(output->toPlainText().isEmpty());
        output->setFocus();
        QTest::keyClick(output, Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), dialog->control(Dlg::kButtonRedoScript));
        // The type names are no Tab stops.
        for (const int id : {Dlg::kEditTableType, Dlg::kEditTextType})
            QVERIFY(!(dialog->control(id)->focusPolicy() & Qt::TabFocus));

        // Enter in "Test Insert Text:" runs Test, not GO.
        ClickTab(*dialog, 2);
        TypeInto(*dialog, Dlg::kEditTestText, QStringLiteral("<41>"));
        QTest::keyClick(dialog->control(Dlg::kEditTestText), Qt::Key_Return);
        QVERIFY(services->messages.empty());
        QVERIFY(Output(*dialog).endsWith(QStringLiteral("You are 3 bytes under the original text limit!")));

        // Alt and a menu's letter open it.
        for (const auto& [key, menu] : {std::pair{Qt::Key_F, "menuFile"}, {Qt::Key_R, "menuReadMode"},
                                        {Qt::Key_H, "menuHelp"}}) {
            QTest::keyClick(dialog.get(), key, Qt::AltModifier);
            QTRY_COMPARE(QApplication::activePopupWidget(), dialog->findChild<QMenu*>(QLatin1String(menu)));
            QApplication::activePopupWidget()->close();
        }
    }

    void theOutputBoxTakesWhatTheWindowGrows() {
        QVERIFY(dialog->windowFlags() & Qt::WindowMaximizeButtonHint);
        QVERIFY(dialog->maximumSize().width() > dialog->minimumSize().width());
        QHash<int, QRect> before;
        for (const int id : AllControls()) before[id] = dialog->control(id)->geometry();
        dialog->resize(dialog->size() + QSize(200, 150));
        for (const int id : AllControls())
            QCOMPARE(dialog->control(id)->geometry(),
                     id == Dlg::kEditOutput ? before[id].adjusted(0, 0, 200, 150) : before[id]);
        QCOMPARE(dialog->statusBar()->geometry().bottom(), dialog->height() - 1);
    }

    void filesDroppedOnAPathRowLoadAsItsChooserWould() {
        ClickTab(*dialog, 1);  // the three path rows are shown
        const std::tuple<QWidget*, int, int, QString> rows[] = {
            {dialog->findChild<QWidget*>(QStringLiteral("labelTable")), Dlg::kEditTable, Dlg::kButtonBrowseTable,
             folder->write(QStringLiteral("drop.tbl"), "41=A\r\n")},
            {dialog->control(Dlg::kLabelRom), Dlg::kEditRom, Dlg::kButtonBrowseRom,
             folder->write(QStringLiteral("drop.bin"), "A")},
            {dialog->control(Dlg::kLabelInsertFile), Dlg::kEditInsertFile, Dlg::kButtonBrowseInsert,
             folder->write(QStringLiteral("drop.txt"), Script("A"))}};
        for (const auto& [label, edit, browse, file] : rows)
            for (QWidget* widget : {label, dialog->control(edit), dialog->control(browse)}) {
                qobject_cast<QLineEdit*>(dialog->control(edit))->clear();
                QVERIFY(DropFile(widget, file));
                QCOMPARE(ControlText(*dialog, edit), file);
            }
        QCOMPARE(TableStatus(*dialog), QStringLiteral("Table: drop.tbl (1 entries, UTF7)"));
        QCOMPARE(ToQString(*dialog->insertText()), QString::fromLatin1(Script("A")));
        // Folders and drops elsewhere are refused.
        QVERIFY(!DropFile(dialog->control(Dlg::kEditRom), folder->path(QString())));
        QVERIFY(!DropFile(dialog->control(Dlg::kEditOutput), std::get<3>(rows[1])));
        QVERIFY(services->messages.empty());
    }

    void iconsMatchTheNews() {
        Click(*dialog, Dlg::kButtonGo);  // refused: no ROM
        extractTinyRom();               // "Done"
        ClickTab(*dialog, 1);
        loadInsertFile(QStringLiteral("bad.txt"), "not a script");
        Click(*dialog, Dlg::kButtonGo);  // a bad file
        loadInsertFile(QStringLiteral("good.txt"), kTinyScript.toUtf8());
        Click(*dialog, Dlg::kButtonGo);  // what is left over
        chooseRom(folder->path(QStringLiteral("gone.bin")));
        Click(*dialog, Dlg::kButtonGo);  // a file error
        QList<QMessageBox::Icon> icons;
        for (const FakeServices::Box& box : services->messages) icons << box.icon;
        QCOMPARE(icons, (QList<QMessageBox::Icon>{QMessageBox::Warning, QMessageBox::Information, QMessageBox::Warning,
                                                 QMessageBox::Information, QMessageBox::Critical}));
    }

    // The demo ROM shows under the ROM chooser's first filter.
    void theRomChooserShowsTheDemo() {
        Click(*dialog, Dlg::kButtonBrowseRom);
        const QStringList choices = services->filters.last().split(QStringLiteral(";;"));
        const QString roms = choices.first().section(u'(', 1).chopped(1);
        QVERIFY(QDir::match(roms.split(u' '), QStringLiteral("demo.bin")));
        QVERIFY(QFileInfo::exists(QStringLiteral(QUORVEX_SOURCE_DIR "/examples/demo.bin")));
        QCOMPARE(choices.last(), QStringLiteral("All files (*)"));
    }
};

QTEST_MAIN(EditLoopTest)
#include "EditLoopTest.moc"
