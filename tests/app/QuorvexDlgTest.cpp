// The main dialog driven as a user drives it: start-up state, tab switches,
// menus, choosers, GO, Test and ReDo Script, with message boxes and choosers
// answered by FakeServices.
#include "AppTestSupport.h"

#include "job/Messages.h"

#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <algorithm>

using namespace quorvex;
using namespace quorvex::app;
using namespace quorvex::app::test;
using Dlg = CQuorvexDlg;

namespace {

QString AccessibleName(QObject* object) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
    return face != nullptr ? face->text(QAccessible::Name) : QStringLiteral("<no interface>");
}

bool Shown(const CQuorvexDlg& dialog, std::initializer_list<int> ids) {
    return std::all_of(ids.begin(), ids.end(), [&](int id) { return !dialog.control(id)->isHidden(); });
}

const QByteArray kAbdTable = "41=A\r\n42=B\r\n44=D\r\n";

}  // namespace

class QuorvexDlgTest : public QObject, DialogFixture {
    Q_OBJECT

    [[nodiscard]] QAction* action(const char* name) const { return dialog->findChild<QAction*>(QLatin1String(name)); }

private slots:
    void init() { open(); }
    void cleanup() { close(); }

    void startUpState() {
        QCOMPARE(dialog->selectedTab(), 0);
        QVERIFY(qobject_cast<QRadioButton*>(dialog->control(Dlg::kRadioHex))->isChecked());
        QCOMPARE(ControlText(*dialog, Dlg::kEditTableType) + u'/' + ControlText(*dialog, Dlg::kEditTextType),
                 QStringLiteral("Regular (2 bytes)/Regular"));
        // Nothing remembered yet: the read mode of a first start.
        QCOMPARE(dialog->readMode(), ReadMode::UTF7);
        QVERIFY(action("action32771")->isChecked());
        QCOMPARE(TableStatus(*dialog) + u'/' + InsertFileStatus(*dialog), QStringLiteral("Table: none/Insert File: none"));
        QCOMPARE(dialog->focusWidget(), dialog->control(Dlg::kEditTableStart));
        QVERIFY(qobject_cast<QPushButton*>(dialog->control(Dlg::kButtonGo))->isDefault());
    }

    // Each tab shows its rows (with the table row, GO and the output box)
    // whichever tab it is entered from, and no two shown controls overlap.
    void eachTabShowsItsRowsWithoutOverlap() {
        pickText(ClickRowThenOk(1));  // Huffman: the shared row shows on Extract too
        const std::set<int> own[] = {{Dlg::kEditRom, Dlg::kEditTableStart, Dlg::kEditXOffset, Dlg::kEditHuffTable,
                                      Dlg::kRadioDec, Dlg::kButtonRedoScript, Dlg::kComboMap,
                                      Dlg::kEditNullPointer},
                                     {Dlg::kEditRom, Dlg::kEditInsertFile},
                                     {Dlg::kEditInsertFile, Dlg::kEditTestText, Dlg::kButtonTest}};
        const std::size_t count[] = {31, 11, 11};  // five shared, each row's label, edit and button, Extract's fields
        for (const int tab : {1, 2, 0, 2, 1, 0}) {
            ClickTab(*dialog, tab);
            const std::set<int> shown = ShownControls(*dialog);
            QCOMPARE(shown.size(), count[tab]);
            QVERIFY(Shown(*dialog, {Dlg::kEditTable, Dlg::kButtonBrowseTable, Dlg::kButtonGo, Dlg::kEditOutput}));
            for (const auto& ids : own)
                for (const int id : ids) QCOMPARE(shown.contains(id), own[tab].contains(id));
            for (const int a : shown)
                for (const int b : shown)
                    QVERIFY2(a >= b || !dialog->control(a)->geometry().intersects(dialog->control(b)->geometry()),
                             qPrintable(QStringLiteral("tab %1: %2 overlaps %3").arg(tab).arg(a).arg(b)));
        }
    }

    void reenteringExtractShowsTheRowsThePicksLeft() {
        const std::size_t all = ShownControls(*dialog).size();
        pickTable(ClickRowThenOk(3));  // PascalLine hides the offset row and the map
        ClickTab(*dialog, 2);
        ClickTab(*dialog, 0);
        QCOMPARE(ShownControls(*dialog).size(), all - 4);
        QVERIFY(!Shown(*dialog, {Dlg::kLabelXOffset}) && !Shown(*dialog, {Dlg::kEditXOffset}) &&
                !Shown(*dialog, {Dlg::kComboMap}));

        pickTable(ClickRowThenOk(2));  // "ED Cmnd:"
        pickText(ClickRowThenOk(0));   // hides the row although the table type uses it
        QVERIFY(!Shown(*dialog, {Dlg::kEditHuffTable}));
        ClickTab(*dialog, 1);
        ClickTab(*dialog, 0);
        QVERIFY(Shown(*dialog, {Dlg::kEditHuffTable, Dlg::kLabelHuffTable}));
        QCOMPARE(ControlText(*dialog, Dlg::kLabelHuffTable), QStringLiteral("ED Cmnd:"));
    }

    void editsTakeOnlyWhatTheyShould() {
        // Number edits turn typed letters into capitals; the test line keeps them.
        for (const int id : {Dlg::kEditTableStart, Dlg::kEditTableEnd, Dlg::kEditXOffset, Dlg::kEditTextStart,
                             Dlg::kEditTextEnd, Dlg::kEditHuffTable}) {
            TypeInto(*dialog, id, QStringLiteral("0x1fab"));
            QCOMPARE(ControlText(*dialog, id), QStringLiteral("0X1FAB"));
        }
        // Paths and type names are read-only.
        for (const int id : {Dlg::kEditTable, Dlg::kEditRom, Dlg::kEditInsertFile, Dlg::kEditTableType,
                             Dlg::kEditTextType}) {
            QTest::keyClicks(dialog->control(id), QStringLiteral("typed"));
            QVERIFY(!ControlText(*dialog, id).contains(QStringLiteral("typed")));
        }
        ClickTab(*dialog, 2);
        TypeInto(*dialog, Dlg::kEditTestText, QStringLiteral("abc"));
        QCOMPARE(ControlText(*dialog, Dlg::kEditTestText), QStringLiteral("abc"));
    }

    // Enter presses GO, which the files the tab needs must be there for (in
    // the command layer's order); a refused GO leaves the output box alone.
    void enterPressesGoAndEscapeEndsTheDialog() {
        SetOutput(*dialog, QStringLiteral("earlier"));
        dialog->control(Dlg::kEditTableStart)->setFocus();
        QTest::keyClick(dialog->control(Dlg::kEditTableStart), Qt::Key_Return);
        ClickTab(*dialog, 2);
        Click(*dialog, Dlg::kButtonGo);
        QCOMPARE(messageTexts(), (QStringList{ToQString(messages::kNoRom), ToQString(messages::kNoInsertFile)}));
        QCOMPARE(services->messages[0].caption, kAppName);
        QCOMPARE(Output(*dialog), QStringLiteral("earlier"));
        QTest::keyClick(dialog.get(), Qt::Key_Escape);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        QVERIFY(services->questions.empty());
    }

    // The check mark follows the chosen read mode, which takes effect at the
    // next load; About shows the project's version.
    void readModeMenuAndAbout() {
        const std::pair<const char*, ReadMode> modes[] = {
            {"action32773", ReadMode::Ascii}, {"action32772", ReadMode::UTF8}, {"action32771", ReadMode::UTF7}};
        for (const auto& [chosen, mode] : modes) {
            TriggerMenu(*dialog, chosen);
            QCOMPARE(dialog->readMode(), mode);
            for (const auto& [other, unused] : modes) QCOMPARE(action(other)->isChecked(), other == chosen);
        }
        // "+-" is a plain plus sign in UTF-7 and two characters in UTF-8.
        loadTable("41=a+-b\r\n");
        TriggerMenu(*dialog, "action32772");
        QVERIFY(ToQString(dialog->charTable()->text()).contains(QStringLiteral("=a+b\r")));
        loadInsertFile(QStringLiteral("insert.txt"), "a+-b");
        QCOMPARE(ToQString(*dialog->insertText()), QStringLiteral("a+-b"));

        QString version;
        services->dialogs.push_back(Inspect(
            [&](QDialog& box) { version = box.findChild<QLabel*>(QStringLiteral("aboutVersion"))->text(); },
            PressKey(Qt::Key_Return)));
        TriggerMenu(*dialog, "action16");
        QCOMPARE(services->dialogTitles, QStringList{QStringLiteral("About Quorvex")});
        QCOMPARE(version, QStringLiteral("Quorvex Version 1.3"));
    }

    void browseButtonsLoadAndCancelReleases() {
        const QString table = folder->write(QStringLiteral("abd.tbl"), kAbdTable + "# a comment\r\n");
        services->chooseFile(table);
        Click(*dialog, Dlg::kButtonBrowseTable);
        QCOMPARE(ControlText(*dialog, Dlg::kEditTable), table);
        QCOMPARE(TableStatus(*dialog), QStringLiteral("Table: abd.tbl (3 entries, UTF7)"));
        services->cancelChooser();
        Click(*dialog, Dlg::kButtonBrowseTable);
        QVERIFY(dialog->charTable() == nullptr && ControlText(*dialog, Dlg::kEditTable).isEmpty());
        QCOMPARE(TableStatus(*dialog), QStringLiteral("Table: none"));

        // The ROM's path is only stored: it is not even there.
        const QString rom = folder->path(QStringLiteral("game.nes"));
        chooseRom(rom);
        services->cancelChooser();
        Click(*dialog, Dlg::kButtonBrowseRom);
        QCOMPARE(ControlText(*dialog, Dlg::kEditRom), rom);

        loadInsertFile(QStringLiteral("script.txt"), "no header here");
        QCOMPARE(InsertFileStatus(*dialog), QStringLiteral("Insert File: script.txt (not a script)"));
        ClickTab(*dialog, 2);
        services->cancelChooser();
        Click(*dialog, Dlg::kButtonBrowseInsert);
        QVERIFY(dialog->insertText() == nullptr);
        QCOMPARE(ControlText(*dialog, Dlg::kEditInsertFile), folder->path(QStringLiteral("script.txt")));
        // GO loads the named file as it is now, in the current read mode.
        loadTable(kAbdTable);
        folder->write(QStringLiteral("script.txt"), Script("AB", 0));
        Click(*dialog, Dlg::kButtonGo);
        QVERIFY2(Output(*dialog).endsWith(QStringLiteral("You are 1 bytes over the original text limit!")),
                 qPrintable(Output(*dialog)));
        QCOMPARE(InsertFileStatus(*dialog), QStringLiteral("Insert File: script.txt (1 blocks)"));
        QVERIFY(services->messages.empty());

        // Files that cannot be read: each is named, and nothing is held.
        for (const auto& [browse, name] : {std::pair{Dlg::kButtonBrowseTable, "missing.tbl"},
                                           {Dlg::kButtonBrowseInsert, "gone.txt"}}) {
            services->chooseFile(folder->path(QLatin1String(name)));
            Click(*dialog, browse);
            QVERIFY2(services->messages.back().text.contains(folder->path(QLatin1String(name))),
                     qPrintable(services->messages.back().text));
        }
        QVERIFY(dialog->charTable() == nullptr && dialog->insertText() == nullptr);
        QVERIFY(ControlText(*dialog, Dlg::kEditTable).isEmpty());
    }

    void goExtractShowsTheScriptAndDone() {
        // The two-byte table at 0 points at "AB" and "D" (offset 0x8000 - 0x10).
        extractTinyRom();
        QCOMPARE(messageTexts(), QStringList{ToQString(messages::kDone)});
        // The message comes once the command is over: no wait cursor over it.
        QCOMPARE(services->messages[0].cursor, std::optional<Qt::CursorShape>());
        QVERIFY(QApplication::overrideCursor() == nullptr);
        QCOMPARE(Output(*dialog), kTinyScript);

        // The entry holding the Empty Entry value gets a line of its own and no text.
        TypeInto(*dialog, Dlg::kEditNullPointer, QStringLiteral("8013"));
        Click(*dialog, Dlg::kButtonGo);
        QVERIFY2(Output(*dialog).endsWith(
                     QStringLiteral("NullPointer:\t8013\r\n-----------------\r\n2 n\r\n0\r\nAB[END]D[END]\r\n")),
                 qPrintable(Output(*dialog)));
        TypeInto(*dialog, Dlg::kEditNullPointer, {});

        // Dec reads the numbers as decimal, "0x" still as hexadecimal.
        Click(*dialog, Dlg::kRadioDec);
        QVERIFY(!qobject_cast<QRadioButton*>(dialog->control(Dlg::kRadioHex))->isChecked());
        TypeInto(*dialog, Dlg::kEditTextStart, QStringLiteral("16"));
        TypeInto(*dialog, Dlg::kEditTextEnd, QStringLiteral("0x11"));
        for (const int id : {Dlg::kEditTableStart, Dlg::kEditTableEnd, Dlg::kEditXOffset}) TypeInto(*dialog, id, {});
        Click(*dialog, Dlg::kButtonGo);
        const QString script = Output(*dialog);
        QVERIFY2(script.contains(QStringLiteral("Text Start:\t10\r\nText End:\t11\r\n")), qPrintable(script));
        QVERIFY2(script.endsWith(QStringLiteral("-----------------\r\nAB\r\n")), qPrintable(script));
    }

    void goExtractThroughAMap() {
        auto* map = qobject_cast<QComboBox*>(dialog->control(Dlg::kComboMap));
        QCOMPARE(map->currentIndex(), 0);
        QCOMPARE(map->itemText(0), QStringLiteral("None"));
        // LoROM's bank 0 holds 8010 and 8013 at 10 and 13: the typed X000 Offset is set aside.
        map->setCurrentIndex(1);
        extractTinyRom();
        const QString script = Output(*dialog);
        QVERIFY2(script.contains(QStringLiteral("XOffset:\t0\r\n")) &&
                     script.contains(QStringLiteral("Map:\tlorom\r\n-----")), qPrintable(script));
        const auto body = [](const QString& text) { return text.mid(text.indexOf(QStringLiteral("-----"))); };
        QCOMPARE(body(script), body(kTinyScript));
    }

    void goInsertAsksBeforeRunningPastTheTextArea() {
        const QString rom = useTinyRom({});
        const QByteArray before = ReadAll(rom);
        ClickTab(*dialog, 1);
        loadInsertFile(QStringLiteral("long.txt"), Script("ABDABD").replace("Text Start:\t0", "Text Start:\t10")
                                                        .replace("Text End:\t2", "Text End:\t11"));
        Click(*dialog, Dlg::kButtonGo);  // answered No
        QCOMPARE(services->questions.size(), std::size_t{1});
        QCOMPARE(services->questions[0].text, ToQString(messages::OverLimitQuestion(4)));
        QCOMPARE(services->questions[0].caption, kAppName);
        QCOMPARE(services->messages.size(), std::size_t{1});
        QVERIFY(services->messages[0].text.startsWith(ToQString(messages::EndedOver(4) + u"\r\n")));
        QCOMPARE(ReadAll(rom), before);
    }

    // ReDo Script asks before it replaces the chosen script; No and Cancel
    // change nothing; a file that is no script is refused and left as it was.
    void redoScriptAsksThenTakesTheTypesButLeavesTheNames() {
        Click(*dialog, Dlg::kButtonRedoScript);
        QCOMPARE(messageTexts(), QStringList{ToQString(messages::kNoRom)});
        QVERIFY(services->filters.empty());
        // Table type 1 (Variation 1): low bytes 10 13, then high bytes 80 80.
        useTinyRom(QByteArray("\x10\x13\x80\x80", 4));
        loadInsertFile(QStringLiteral("held.txt"), "held");
        services->cancelChooser();
        Click(*dialog, Dlg::kButtonRedoScript);
        QVERIFY(dialog->insertText() == nullptr);

        const QByteArray old = kTinyScript.toUtf8().replace("Type:\t0\r\nText", "Type:\t1\r\nText");
        const QString script = folder->write(QStringLiteral("old.txt"), old);
        loadInsertFile(QStringLiteral("held.txt"), "held");
        SetOutput(*dialog, QStringLiteral("earlier"));
        services->chooseFile(script);
        Click(*dialog, Dlg::kButtonRedoScript);
        QCOMPARE(services->questions.size(), std::size_t{1});
        QCOMPARE(services->questions[0].text, QStringLiteral("ReDo Script will replace \"%1\" with a fresh "
                                                             "extraction of its header. Continue?").arg(script));
        QCOMPARE(ReadAll(script), old);
        QCOMPARE(ToQString(*dialog->insertText()), QStringLiteral("held"));
        QCOMPARE(ControlText(*dialog, Dlg::kEditInsertFile), folder->path(QStringLiteral("held.txt")));
        QCOMPARE(Output(*dialog), QStringLiteral("earlier"));
        QCOMPARE(services->messages.size(), std::size_t{1});

        const QString notes = folder->write(QStringLiteral("notes.txt"), "not a script");
        for (const QString& chosen : {notes, script}) {
            services->chooseFile(chosen);
            services->answers.push_back(true);
            Click(*dialog, Dlg::kButtonRedoScript);
            QCOMPARE(ControlText(*dialog, Dlg::kEditInsertFile), chosen);
            if (chosen == notes) QCOMPARE(ToQString(*dialog->insertText()), QStringLiteral("not a script"));
        }
        QCOMPARE(messageTexts().mid(1), (QStringList{ToQString(messages::kBadFileRedo), ToQString(messages::kDone)}));
        QCOMPARE(ReadAll(notes), QByteArray("not a script"));
        // The header's types are taken, but the type name fields keep theirs.
        QCOMPARE(dialog->currentTableType(), TableType::Variation1);
        QCOMPARE(ControlText(*dialog, Dlg::kEditTableType), QStringLiteral("Regular (2 bytes)"));
        QVERIFY(dialog->insertText() == nullptr);
        const QString shown = Output(*dialog);
        QVERIFY2(shown.endsWith(QStringLiteral("-----------------\r\n0\r\nAB[END]\r\n1\r\nD[END]\r\n")),
                 qPrintable(shown));
        // Saved over the file in UTF-8 with one zero byte at the end.
        QCOMPARE(ReadAll(script), shown.toUtf8() + QByteArray(1, '\0'));
    }

    // Each edit is named by its label (the shared row by what it reads now);
    // the controls without a label have names of their own. (A combo box is
    // named by its choice here; its label is its relation.)
    void accessibleNames() {
        pickTable(ClickRowThenOk(6));
        for (QLabel* label : dialog->findChildren<QLabel*>())
            if (label->buddy() != nullptr && !qobject_cast<QComboBox*>(label->buddy()))
                QCOMPARE(AccessibleName(label->buddy()), label->text());
        QCOMPARE(AccessibleName(dialog->control(Dlg::kEditHuffTable)), QStringLiteral("ED Cmnd:"));
        for (const int id : AllControls())
            QVERIFY2(!AccessibleName(dialog->control(id)).isEmpty(), qPrintable(QString::number(id)));
    }
};

QTEST_MAIN(QuorvexDlgTest)
#include "QuorvexDlgTest.moc"
