// The main dialog driven as a user drives it: start-up state, tab switches,
// menus, choosers, GO, Test and ReDo Script, with message boxes and choosers
// answered by FakeServices.
#include "AppTestSupport.h"
#include "DialogServices.h"
#include "FakeServices.h"
#include "QuorvexDlg.h"
#include "SelectDlg.h"
#include "TabStrip.h"

#include "job/Messages.h"

#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace quorvex;
using namespace quorvex::app;
using namespace quorvex::app::test;
using Dlg = CQuorvexDlg;

namespace {

// What each tab shows besides the tab strip, the "Table:" row, GO and the output box.
const std::set<int> kAlwaysShown = {Dlg::kTabStrip, Dlg::kEditTable, Dlg::kButtonBrowseTable, Dlg::kButtonGo,
                                    Dlg::kEditOutput};
const std::set<int> kRomRow = {Dlg::kLabelRom, Dlg::kEditRom, Dlg::kButtonBrowseRom};
const std::set<int> kInsertFileRow = {Dlg::kLabelInsertFile, Dlg::kEditInsertFile, Dlg::kButtonBrowseInsert};
const std::set<int> kExtractOnly = {
    Dlg::kLabelTableStart, Dlg::kEditTableStart, Dlg::kLabelTableEnd, Dlg::kEditTableEnd, Dlg::kEditTableType,
    Dlg::kButtonPickTableType, Dlg::kLabelXOffset, Dlg::kEditXOffset, Dlg::kLabelTextStart, Dlg::kEditTextStart,
    Dlg::kLabelTextEnd, Dlg::kEditTextEnd, Dlg::kEditTextType, Dlg::kButtonPickTextType, Dlg::kRadioHex,
    Dlg::kRadioDec, Dlg::kButtonRedoScript};

std::set<int> Union(std::initializer_list<std::set<int>> sets) {
    std::set<int> all;
    for (const auto& set : sets) all.insert(set.begin(), set.end());
    return all;
}

std::set<int> ShownOnTab(int tab) {
    if (tab == 0) return Union({kAlwaysShown, kRomRow, kExtractOnly});
    if (tab == 1) return Union({kAlwaysShown, kRomRow, kInsertFileRow});
    return Union({kAlwaysShown, kInsertFileRow, {Dlg::kLabelTestText, Dlg::kEditTestText, Dlg::kButtonTest}});
}

QString Describe(const std::set<int>& ids) {
    QStringList names;
    for (const int id : ids) names << QString::number(id);
    return names.join(u' ');
}

QString AccessibleName(QObject* object) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
    return face != nullptr ? face->text(QAccessible::Name) : QStringLiteral("<no interface>");
}

// A table of three letters, in plain ASCII.
const QByteArray kAbdTable = "41=A\r\n42=B\r\n44=D\r\n";

}  // namespace

class QuorvexDlgTest : public QObject, DialogFixture {
    Q_OBJECT

private:
    [[nodiscard]] QLineEdit* edit(int id) const { return qobject_cast<QLineEdit*>(dialog->control(id)); }
    [[nodiscard]] QAction* action(const char* name) const {
        return dialog->findChild<QAction*>(QLatin1String(name));
    }
    void pickTable(int row) { Pick(*dialog, *services, Dlg::kButtonPickTableType, ClickRowThenOk(row)); }
    void pickText(int row) { Pick(*dialog, *services, Dlg::kButtonPickTextType, ClickRowThenOk(row)); }

private slots:
    void init() { open(); }
    void cleanup() { close(); }

    void startUpState() {
        auto* tabs = qobject_cast<TabStrip*>(dialog->control(Dlg::kTabStrip));
        QCOMPARE(tabs->currentIndex(), 0);
        QCOMPARE(tabs->tabRect(1).width(), 150);

        QVERIFY(qobject_cast<QRadioButton*>(dialog->control(Dlg::kRadioHex))->isChecked());
        QCOMPARE(ControlText(*dialog, Dlg::kEditTableType), QStringLiteral("Regular (2 bytes)"));
        QCOMPARE(ControlText(*dialog, Dlg::kEditTextType), QStringLiteral("Regular"));
        QCOMPARE(ControlText(*dialog, Dlg::kLabelHuffTable), QStringLiteral("HuffTable:"));
        for (const int id : {Dlg::kEditRom, Dlg::kEditTable, Dlg::kEditInsertFile, Dlg::kEditTestText,
                             Dlg::kEditTableStart, Dlg::kEditHuffTable})
            QVERIFY(ControlText(*dialog, id).isEmpty());
        // Nothing remembered yet: the read mode of a first start.
        QCOMPARE(dialog->readMode(), ReadMode::UTF7);
        QVERIFY(action("action32771")->isChecked());
        QCOMPARE(TableStatus(*dialog), QStringLiteral("Table: none"));
        QCOMPARE(InsertFileStatus(*dialog), QStringLiteral("Insert File: none"));

        QCOMPARE(Describe(ShownControls(*dialog)), Describe(ShownOnTab(0)));
        QCOMPARE(dialog->focusWidget(), dialog->control(Dlg::kEditTableStart));
        QVERIFY(qobject_cast<QPushButton*>(dialog->control(Dlg::kButtonGo))->isDefault());
        QVERIFY(services->messages.empty());
    }

    void tabSwitchesShowEachTabsSet_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        for (int from = 0; from < 3; ++from)
            for (int to = 0; to < 3; ++to)
                if (from != to) QTest::addRow("%d to %d", from, to) << from << to;
    }
    void tabSwitchesShowEachTabsSet() {
        QFETCH(int, from);
        QFETCH(int, to);
        if (from != 0) ClickTab(*dialog, from);
        QCOMPARE(Describe(ShownControls(*dialog)), Describe(ShownOnTab(from)));
        ClickTab(*dialog, to);
        QCOMPARE(Describe(ShownControls(*dialog)), Describe(ShownOnTab(to)));
        QVERIFY(!dialog->findChild<QLabel*>(QStringLiteral("labelTable"))->isHidden());
    }

    void visibleControlsNeverOverlap() {
        pickText(1);  // with the shared row shown too, on the Extract tab
        for (int tab = 0; tab < 3; ++tab) {
            ClickTab(*dialog, tab);
            const std::set<int> shown = ShownControls(*dialog);
            for (const int a : shown)
                for (const int b : shown)
                    if (a < b)
                        QVERIFY2(!dialog->control(a)->geometry().intersects(dialog->control(b)->geometry()),
                                 qPrintable(QStringLiteral("tab %1: %2 overlaps %3").arg(tab).arg(a).arg(b)));
        }
    }

    void pickedRowsStayAsPickedWhenExtractIsEnteredAgain() {
        pickTable(3);  // PascalLine hides the offset row
        ClickTab(*dialog, 2);
        ClickTab(*dialog, 0);
        std::set<int> expected = ShownOnTab(0);
        expected.erase(Dlg::kLabelXOffset);
        expected.erase(Dlg::kEditXOffset);
        QCOMPARE(Describe(ShownControls(*dialog)), Describe(expected));

        pickTable(2);  // "ED Cmnd:"
        pickText(0);   // hides the row although the table type uses it
        QVERIFY(dialog->control(Dlg::kEditHuffTable)->isHidden());
        ClickTab(*dialog, 1);
        ClickTab(*dialog, 0);
        QVERIFY(!dialog->control(Dlg::kEditHuffTable)->isHidden());
        QVERIFY(!dialog->control(Dlg::kLabelHuffTable)->isHidden());
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
            QTest::keyClicks(edit(id), QStringLiteral("typed"));
            QVERIFY(!ControlText(*dialog, id).contains(QStringLiteral("typed")));
        }
        ClickTab(*dialog, 2);
        TypeInto(*dialog, Dlg::kEditTestText, QStringLiteral("abc"));
        QCOMPARE(ControlText(*dialog, Dlg::kEditTestText), QStringLiteral("abc"));
    }

    void enterPressesGoAndEscapeEndsTheDialog() {
        edit(Dlg::kEditTableStart)->setFocus();
        QTest::keyClick(edit(Dlg::kEditTableStart), Qt::Key_Return);
        QCOMPARE(messageTexts(), QStringList{ToQString(messages::kNoRom)});
        QTest::keyClick(dialog.get(), Qt::Key_Escape);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        QVERIFY(services->questions.empty());
    }

    void menus() {
        QStringList titles;
        for (QAction* item : dialog->menuBar()->actions()) titles << item->text();
        QCOMPARE(titles, (QStringList{QStringLiteral("&File"), QStringLiteral("&Read Mode"), QStringLiteral("&Help")}));
        QStringList items;
        for (const char* menu : {"menuFile", "menuReadMode"})
            for (QAction* item : dialog->findChild<QMenu*>(QLatin1String(menu))->actions()) items << item->text();
        QCOMPARE(items, (QStringList{QStringLiteral("&Save Script..."), QString(), QStringLiteral("&Build Project..."),
                                     QStringLiteral("&Make Patch..."), QStringLiteral("&Apply Patch..."),
                                     QStringLiteral("&Fix Checksum..."), QString(), QStringLiteral("E&xit"),
                                     QStringLiteral("Ascii"), QStringLiteral("UTF7"), QStringLiteral("UTF8")}));

        // The check mark moves to the chosen read mode.
        const std::pair<const char*, ReadMode> modes[] = {
            {"action32773", ReadMode::Ascii}, {"action32772", ReadMode::UTF8}, {"action32771", ReadMode::UTF7}};
        for (const auto& [chosen, mode] : modes) {
            TriggerMenu(*dialog, chosen);
            QCOMPARE(dialog->readMode(), mode);
            for (const auto& [other, unused] : modes) QCOMPARE(action(other)->isChecked(), other == chosen);
        }

        // About opens the About box.
        QAction* about = action("action16");
        QCOMPARE(about->text(), QStringLiteral("&About Quorvex..."));
        QString version;
        services->dialogs.push_back(Inspect(
            [&](QDialog& box) { version = box.findChild<QLabel*>(QStringLiteral("aboutVersion"))->text(); },
            PressOk()));
        about->trigger();
        QCOMPARE(services->dialogTitles, QStringList{QStringLiteral("About Quorvex")});
        QCOMPARE(version, QStringLiteral("Quorvex Version 1.3"));
    }

    void readModeTakesEffectAtTheNextLoad() {
        // "+-" is a plain plus sign in UTF-7 and two characters in UTF-8.
        const QByteArray bytes = "41=a+-b\r\n";
        loadTable(bytes);
        loadInsertFile(QStringLiteral("insert.txt"), bytes);
        TriggerMenu(*dialog, "action32772");
        QVERIFY(ToQString(dialog->charTable()->text()).contains(QStringLiteral("a+b")));
        QCOMPARE(ToQString(*dialog->insertText()), QStringLiteral("41=a+b\r\n"));

        loadTable(bytes);
        QVERIFY(ToQString(dialog->charTable()->text()).contains(QStringLiteral("a+-b")));
        loadInsertFile(QStringLiteral("insert.txt"), bytes);
        QCOMPARE(ToQString(*dialog->insertText()), QStringLiteral("41=a+-b\r\n"));
    }

    void browseButtonsLoadAndCancelReleases() {
        const QString table = folder->write(QStringLiteral("abd.tbl"), kAbdTable + "# a comment\r\n");
        services->chooseFile(table);
        Click(*dialog, Dlg::kButtonBrowseTable);
        QCOMPARE(ControlText(*dialog, Dlg::kEditTable), table);
        QCOMPARE(TableStatus(*dialog), QStringLiteral("Table: abd.tbl (3 entries, UTF7)"));
        services->cancelChooser();
        Click(*dialog, Dlg::kButtonBrowseTable);
        QVERIFY(dialog->charTable() == nullptr);
        QVERIFY(ControlText(*dialog, Dlg::kEditTable).isEmpty());
        QCOMPARE(TableStatus(*dialog), QStringLiteral("Table: none"));

        // The ROM's path is only stored: it is not even there.
        const QString rom = folder->path(QStringLiteral("game.nes"));
        chooseRom(rom);
        services->cancelChooser();
        Click(*dialog, Dlg::kButtonBrowseRom);
        QCOMPARE(ControlText(*dialog, Dlg::kEditRom), rom);

        loadInsertFile(QStringLiteral("script.txt"), "line one\nline two");
        QCOMPARE(ToQString(*dialog->insertText()), QStringLiteral("line one\r\nline two"));
        QCOMPARE(InsertFileStatus(*dialog), QStringLiteral("Insert File: script.txt (not a script)"));
        ClickTab(*dialog, 1);
        services->cancelChooser();
        Click(*dialog, Dlg::kButtonBrowseInsert);
        QVERIFY(dialog->insertText() == nullptr);
        QCOMPARE(ControlText(*dialog, Dlg::kEditInsertFile), folder->path(QStringLiteral("script.txt")));
        // An empty file is held as empty text.
        loadInsertFile(QStringLiteral("empty.txt"), QByteArray());
        QVERIFY(dialog->insertText()->empty());
        // A script's blocks: a pointer line and its text, a repeat line alone.
        loadInsertFile(QStringLiteral("blocks.txt"),
                       Script("0\r\nAB\r\n2 r0\r\n4\r\nD", 4).replace("Table End:\t0", "Table End:\t4"));
        QCOMPARE(InsertFileStatus(*dialog), QStringLiteral("Insert File: blocks.txt (3 blocks)"));
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

    void goWithoutItsFilesIsRefused_data() {
        QTest::addColumn<int>("tab");
        QTest::addColumn<bool>("withRom");
        QTest::addColumn<QString>("message");
        const QString noRom = ToQString(messages::kNoRom);
        const QString noInsert = ToQString(messages::kNoInsertFile);
        QTest::addRow("Extract") << 0 << false << noRom;
        QTest::addRow("Insert, no ROM") << 1 << false << noRom;
        QTest::addRow("Insert, no file") << 1 << true << noInsert;
        QTest::addRow("Check Insert, no ROM either") << 2 << false << noInsert;
    }
    void goWithoutItsFilesIsRefused() {
        QFETCH(int, tab);
        QFETCH(bool, withRom);
        QFETCH(QString, message);
        if (withRom) chooseRom(folder->write(QStringLiteral("game.bin"), QByteArray(16, '\0')));
        ClickTab(*dialog, tab);
        SetOutput(*dialog, QStringLiteral("earlier"));
        Click(*dialog, Dlg::kButtonGo);
        QCOMPARE(messageTexts(), QStringList{message});
        QCOMPARE(services->messages[0].caption, kAppName);
        QCOMPARE(Output(*dialog), QStringLiteral("earlier"));
    }

    void goExtractShowsTheScriptAndDone() {
        // The two-byte table at 0 points at "AB" and "D" (offset 0x8000 - 0x10).
        extractTinyRom();
        QCOMPARE(messageTexts(), QStringList{ToQString(messages::kDone)});
        // The message comes once the command is over: no wait cursor over it.
        QCOMPARE(services->messages[0].cursor, std::optional<Qt::CursorShape>());
        QVERIFY(QApplication::overrideCursor() == nullptr);
        QCOMPARE(Output(*dialog), kTinyScript);
    }

    void goExtractReadsDecimalWhenDecIsSelected() {
        useTinyRom({});
        Click(*dialog, Dlg::kRadioDec);
        QVERIFY(!qobject_cast<QRadioButton*>(dialog->control(Dlg::kRadioHex))->isChecked());
        TypeInto(*dialog, Dlg::kEditTextStart, QStringLiteral("16"));
        TypeInto(*dialog, Dlg::kEditTextEnd, QStringLiteral("0x11"));
        Click(*dialog, Dlg::kButtonGo);
        const QString script = Output(*dialog);
        QVERIFY2(script.contains(QStringLiteral("Text Start:\t10\r\nText End:\t11\r\n")), qPrintable(script));
        QVERIFY2(script.endsWith(QStringLiteral("-----------------\r\nAB\r\n")), qPrintable(script));
    }

    void goInsertAsksBeforeRunningPastTheTextArea() {
        const QString rom = useTinyRom({});
        const QByteArray before = ReadAll(rom);
        ClickTab(*dialog, 1);
        loadInsertFile(QStringLiteral("long.txt"), Script("ABDABD").replace("Text Start:\t0", "Text Start:\t10")
                                                        .replace("Text End:\t2", "Text End:\t11"));
        services->answers.push_back(false);
        Click(*dialog, Dlg::kButtonGo);
        QCOMPARE(services->questions.size(), std::size_t{1});
        QCOMPARE(services->questions[0].text, ToQString(messages::OverLimitQuestion(4)));
        QCOMPARE(services->questions[0].caption, kAppName);
        QCOMPARE(services->messages.size(), std::size_t{1});
        QVERIFY(services->messages[0].text.startsWith(ToQString(messages::EndedOver(4) + u"\r\n")));
        QCOMPARE(ReadAll(rom), before);
    }

    void goLoadsTheNamedInsertFileWhenNoTextIsHeld() {
        loadTable(kAbdTable);
        ClickTab(*dialog, 2);
        loadInsertFile(QStringLiteral("script.txt"), "no header here");
        services->cancelChooser();
        Click(*dialog, Dlg::kButtonBrowseInsert);
        QVERIFY(dialog->insertText() == nullptr);

        // The file changed meanwhile; GO reads it as it is now, in the current read mode.
        folder->write(QStringLiteral("script.txt"), Script("AB", 0));
        Click(*dialog, Dlg::kButtonGo);
        QVERIFY(ToQString(*dialog->insertText()).endsWith(QStringLiteral("AB")));
        QVERIFY2(Output(*dialog).endsWith(QStringLiteral("You are 1 bytes over the original text limit!")),
                 qPrintable(Output(*dialog)));
        QCOMPARE(InsertFileStatus(*dialog), QStringLiteral("Insert File: script.txt (1 blocks)"));
    }

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

        const QByteArray old =
            "Table Start:\t0\r\nTable End:\t3\r\nText Start:\t10\r\nText End:\t14\r\nXOffset:\tFFFF8000\r\n\r\n"
            "Table Type:\t1\r\nText Type:\t0\r\n-----------------\r\nold text\r\n";
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
        QCOMPARE(dialog->currentTableType(), TableType::Variation1);
        QCOMPARE(ControlText(*dialog, Dlg::kEditTableType), QStringLiteral("Regular (2 bytes)"));
        QVERIFY(dialog->insertText() == nullptr);
        const QString shown = Output(*dialog);
        QVERIFY2(shown.endsWith(QStringLiteral("-----------------\r\n0\r\nAB[END]\r\n1\r\nD[END]\r\n")),
                 qPrintable(shown));
        // Saved over the file in UTF-8 with one zero byte at the end.
        QCOMPARE(ReadAll(script), shown.toUtf8() + QByteArray(1, '\0'));
    }

    void accessibleNames() {
        // Each edit takes its label's text, the shared row's as it reads now.
        for (QLabel* label : dialog->findChildren<QLabel*>())
            if (label->buddy() != nullptr) QCOMPARE(AccessibleName(label->buddy()), label->text());
        pickTable(6);
        QCOMPARE(AccessibleName(dialog->control(Dlg::kEditHuffTable)), QStringLiteral("ED Cmnd:"));
        // The controls without a label have names of their own.
        for (const int id : AllControls())
            QVERIFY2(!AccessibleName(dialog->control(id)).isEmpty(), qPrintable(QString::number(id)));
        QCOMPARE(AccessibleName(dialog->control(Dlg::kButtonBrowseInsert)), QStringLiteral("Browse Insert File"));
    }
};

QTEST_MAIN(QuorvexDlgTest)
#include "QuorvexDlgTest.moc"
