// The main dialog driven as a user drives it: start-up state, tab switches,
// menus, choosers, GO, Test and ReDo Script, with message boxes and choosers
// answered by FakeServices.
#include "AppTestSupport.h"
#include "DialogServices.h"
#include "DialogUnits.h"
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

#include <memory>

using namespace quorvex;
using namespace quorvex::app;
using namespace quorvex::app::test;
using Dlg = CQuorvexDlg;

namespace {

const std::set<int> kExtractShown = {
    Dlg::kTabStrip,      Dlg::kLabelTableStart,    Dlg::kEditTableStart,    Dlg::kLabelTableEnd,
    Dlg::kEditTableEnd,  Dlg::kEditTableType,      Dlg::kButtonPickTableType, Dlg::kLabelXOffset,
    Dlg::kEditXOffset,   Dlg::kLabelTextStart,     Dlg::kEditTextStart,     Dlg::kLabelTextEnd,
    Dlg::kEditTextEnd,   Dlg::kEditTextType,       Dlg::kButtonPickTextType, Dlg::kRadioHex,
    Dlg::kRadioDec,      Dlg::kEditTable,          Dlg::kButtonBrowseTable, Dlg::kLabelRom,
    Dlg::kEditRom,       Dlg::kButtonBrowseRom,    Dlg::kButtonGo,          Dlg::kButtonRedoScript,
    Dlg::kEditOutput,
};
const std::set<int> kInsertShown = {
    Dlg::kTabStrip, Dlg::kLabelInsertFile,   Dlg::kEditInsertFile, Dlg::kButtonBrowseInsert, Dlg::kEditTable,
    Dlg::kButtonBrowseTable, Dlg::kLabelRom, Dlg::kEditRom,        Dlg::kButtonBrowseRom,    Dlg::kButtonGo,
    Dlg::kEditOutput,
};
const std::set<int> kCheckShown = {
    Dlg::kTabStrip,     Dlg::kLabelInsertFile,   Dlg::kEditInsertFile, Dlg::kButtonBrowseInsert,
    Dlg::kEditTable,    Dlg::kButtonBrowseTable, Dlg::kLabelTestText,  Dlg::kEditTestText,
    Dlg::kButtonTest,   Dlg::kButtonGo,          Dlg::kEditOutput,
};

const std::set<int>& ShownOnTab(int tab) {
    static const std::set<int>* sets[] = {&kExtractShown, &kInsertShown, &kCheckShown};
    return *sets[tab];
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

// A table of three letters, in plain ASCII, and the report for "ABD" in three bytes.
const QByteArray kAbdTable = "41=A\r\n42=B\r\n44=D\r\n";
const QString kFitsReport = QStringLiteral(
    "Text Starts at 0 and ends at 2 (3 bytes)\r\nDone.\r\n\r\nTotal length: 3 (x3) bytes\r\nThe text fits perfectly!");

}  // namespace

class QuorvexDlgTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<FakeServices> services;
    std::unique_ptr<CQuorvexDlg> dialog;
    std::unique_ptr<TestFolder> folder;

    [[nodiscard]] QLineEdit* edit(int id) const { return qobject_cast<QLineEdit*>(dialog->control(id)); }
    [[nodiscard]] QAction* action(const char* name) const {
        return dialog->findChild<QAction*>(QLatin1String(name));
    }
    [[nodiscard]] QStringList messageTexts() const { return services->messageTexts(); }
    void loadTable(const QByteArray& bytes) {
        services->chooseFile(folder->write(QStringLiteral("table.tbl"), bytes));
        Click(*dialog, Dlg::kButtonBrowseTable);
        QVERIFY(dialog->charTable() != nullptr);
    }
    void loadInsertFile(const QString& name, const QByteArray& bytes) {
        // The Browse button is on the Insert tabs; come back to where the test was.
        const int tab = dialog->selectedTab();
        if (tab == 0) ClickTab(*dialog, 1);
        services->chooseFile(folder->write(name, bytes));
        Click(*dialog, Dlg::kButtonBrowseInsert);
        QVERIFY(dialog->insertText() != nullptr);
        if (tab == 0) ClickTab(*dialog, 0);
    }
    void pickTable(int row) { Pick(*dialog, *services, Dlg::kButtonPickTableType, ClickRowThenOk(row)); }
    void pickText(int row) { Pick(*dialog, *services, Dlg::kButtonPickTextType, ClickRowThenOk(row)); }
    void chooseRom(const QString& path) {
        services->chooseFile(path);
        Click(*dialog, Dlg::kButtonBrowseRom);
    }
    // A ROM with "AB" at 0x10 and "D" at 0x13, each ended by EE, the first bytes
    // holding `table`; chosen along with a table that knows those letters.
    QString useTinyRom(const QByteArray& table) {
        QByteArray rom(0x20, '\0');
        rom.replace(0, table.size(), table);
        rom.replace(0x10, 5, QByteArray("AB\xEE" "D\xEE"));
        const QString path = folder->write(QStringLiteral("tiny.bin"), rom);
        chooseRom(path);
        loadTable("41=A\r\n42=B\r\n44=D\r\nEE=[END]\r\n");
        return path;
    }

private slots:
    void init() {
        services = std::make_unique<FakeServices>();
        dialog = std::make_unique<CQuorvexDlg>(services.get());
        folder = std::make_unique<TestFolder>();
        dialog->show();
    }
    void cleanup() {
        dialog.reset();
        services.reset();
        folder.reset();
    }

    void startUpState() {
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Quorvex"));
        auto* tabs = qobject_cast<TabStrip*>(dialog->control(Dlg::kTabStrip));
        QVERIFY(tabs != nullptr);
        QCOMPARE(tabs->count(), 3);
        QCOMPARE(tabs->currentIndex(), 0);
        QCOMPARE(tabs->itemWidth(), 150);
        QCOMPARE(tabs->tabRect(1).width(), 150);

        QVERIFY(qobject_cast<QRadioButton*>(dialog->control(Dlg::kRadioHex))->isChecked());
        QVERIFY(!qobject_cast<QRadioButton*>(dialog->control(Dlg::kRadioDec))->isChecked());
        QCOMPARE(ControlText(*dialog, Dlg::kEditTableType), QStringLiteral("Regular (2 bytes)"));
        QCOMPARE(ControlText(*dialog, Dlg::kEditTextType), QStringLiteral("Regular"));
        QCOMPARE(ControlText(*dialog, Dlg::kLabelHuffTable), QStringLiteral("HuffTable:"));
        for (const int id : {Dlg::kEditRom, Dlg::kEditTable, Dlg::kEditInsertFile, Dlg::kEditTestText,
                             Dlg::kEditTableStart, Dlg::kEditHuffTable})
            QVERIFY(ControlText(*dialog, id).isEmpty());
        QCOMPARE(dialog->currentTableType(), TableType::Regular2);
        QCOMPARE(dialog->currentTextType(), TextType::Regular);
        QCOMPARE(dialog->readMode(), ReadMode::UTF7);
        QVERIFY(dialog->charTable() == nullptr);
        QVERIFY(dialog->insertText() == nullptr);

        QCOMPARE(Describe(ShownControls(*dialog)), Describe(kExtractShown));
        QVERIFY(!dialog->findChild<QLabel*>(QStringLiteral("labelTable"))->isHidden());
        QCOMPARE(dialog->focusWidget(), dialog->control(Dlg::kEditTableStart));
        QVERIFY(qobject_cast<QPushButton*>(dialog->control(Dlg::kButtonGo))->isDefault());
        QVERIFY(services->messages.empty());
    }

    void controlsSitAtTheirDialogUnits() {
        const DialogUnits du(dialog->font());
        const auto at = [&](int id) { return dialog->control(id)->geometry(); };
        QCOMPARE(at(Dlg::kEditTableStart), du.rect(74, 31, 60, 12));
        QCOMPARE(at(Dlg::kButtonGo), du.rect(279, 71, 50, 14));
        QCOMPARE(at(Dlg::kEditOutput), du.rect(7, 179, 308, 144));
        // Rows that share a place: the Insert File row over Text End, the test row over ROM.
        QCOMPARE(at(Dlg::kEditInsertFile), du.rect(73, 114, 180, 12));
        QCOMPARE(at(Dlg::kEditTestText), du.rect(73, 152, 180, 12));
        QVERIFY(at(Dlg::kEditInsertFile).intersects(at(Dlg::kEditTextEnd)));
        QVERIFY(at(Dlg::kEditTestText).intersects(at(Dlg::kEditRom)));
        QCOMPARE(dialog->size(), QSize(du.x(341), du.y(334) + dialog->menuBar()->height()));
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
        QCOMPARE(dialog->selectedTab(), to);
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
        std::set<int> expected = kExtractShown;
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

        pickTable(0);
        pickText(2);  // "HuffTable:"
        ClickTab(*dialog, 2);
        ClickTab(*dialog, 0);
        QVERIFY(!dialog->control(Dlg::kEditHuffTable)->isHidden());
        QCOMPARE(ControlText(*dialog, Dlg::kLabelHuffTable), QStringLiteral("HuffTable:"));
    }

    void keyboardOrderIsTheTemplateOrder() {
        const QList<int> templateOrder = {
            Dlg::kTabStrip,       Dlg::kLabelTableStart,    Dlg::kEditTableStart,    Dlg::kLabelTableEnd,
            Dlg::kEditTableEnd,   Dlg::kEditTableType,      Dlg::kButtonPickTableType, Dlg::kLabelXOffset,
            Dlg::kEditXOffset,    Dlg::kLabelTextStart,     Dlg::kEditTextStart,     Dlg::kLabelTextEnd,
            Dlg::kEditTextEnd,    Dlg::kEditTextType,       Dlg::kButtonPickTextType, Dlg::kLabelHuffTable,
            Dlg::kEditHuffTable,  Dlg::kRadioHex,           Dlg::kRadioDec,          Dlg::kLabelInsertFile,
            Dlg::kEditInsertFile, Dlg::kButtonBrowseInsert, Dlg::kEditTable,         Dlg::kButtonBrowseTable,
            Dlg::kLabelRom,       Dlg::kEditRom,            Dlg::kButtonBrowseRom,   Dlg::kLabelTestText,
            Dlg::kEditTestText,   Dlg::kButtonTest,         Dlg::kButtonGo,          Dlg::kButtonRedoScript,
            Dlg::kEditOutput,
        };
        QList<int> chain;
        QWidget* start = dialog->control(Dlg::kTabStrip);
        QWidget* widget = start;
        do {
            for (const int id : AllControls())
                if (dialog->control(id) == widget) chain << id;
            widget = widget->nextInFocusChain();
        } while (widget != start);
        QCOMPARE(chain, templateOrder);
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
            QVERIFY(edit(id)->isReadOnly());
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
    }

    void closingReleasesTheLoadedTexts() {
        loadTable(kAbdTable);
        loadInsertFile(QStringLiteral("script.txt"), "Table Start:\t0\r\n");
        dialog->close();
        QVERIFY(dialog->charTable() == nullptr);
        QVERIFY(dialog->insertText() == nullptr);
    }

    void menus() {
        QStringList titles;
        for (QAction* item : dialog->menuBar()->actions()) titles << item->text();
        QCOMPARE(titles, (QStringList{QStringLiteral("File"), QStringLiteral("Read Mode"), QStringLiteral("Help")}));
        QStringList items;
        for (QAction* item : dialog->findChild<QMenu*>(QStringLiteral("menuReadMode"))->actions()) items << item->text();
        QCOMPARE(items, (QStringList{QStringLiteral("Ascii"), QStringLiteral("UTF7"), QStringLiteral("UTF8")}));

        // The check mark moves to the chosen read mode.
        const std::pair<const char*, ReadMode> modes[] = {
            {"action32773", ReadMode::Ascii}, {"action32772", ReadMode::UTF8}, {"action32771", ReadMode::UTF7}};
        QVERIFY(action("action32771")->isChecked());
        for (const auto& [chosen, mode] : modes) {
            TriggerMenu(*dialog, chosen);
            QCOMPARE(dialog->readMode(), mode);
            for (const auto& [other, unused] : modes) QCOMPARE(action(other)->isChecked(), other == chosen);
        }

        // The File menu's item does nothing.
        TriggerMenu(*dialog, "action65535");
        QVERIFY(services->messages.empty());
        QVERIFY(services->dialogTitles.empty());
        QVERIFY(services->filters.empty());
        QCOMPARE(dialog->selectedTab(), 0);

        // About opens the About box.
        QAction* about = action("action16");
        QCOMPARE(about->text(), QStringLiteral("&About Quorvex..."));
        QString version;
        QPixmap icon;
        services->dialogs.push_back(Inspect(
            [&](QDialog& box) {
                version = box.findChild<QLabel*>(QStringLiteral("aboutVersion"))->text();
                icon = box.findChild<QLabel*>(QStringLiteral("aboutIcon"))->pixmap();
                QVERIFY(box.findChild<QPushButton*>(QStringLiteral("button1"))->isDefault());
            },
            PressOk()));
        about->trigger();
        QCOMPARE(services->dialogTitles, QStringList{QStringLiteral("About Quorvex")});
        QCOMPARE(version, QStringLiteral("Quorvex Version 1.3"));
        QCOMPARE(icon.size(), QSize(32, 32));
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
        const QString table = folder->write(QStringLiteral("abd.tbl"), kAbdTable);
        services->chooseFile(table);
        Click(*dialog, Dlg::kButtonBrowseTable);
        QCOMPARE(ControlText(*dialog, Dlg::kEditTable), table);
        QCOMPARE(dialog->charTable()->longestTextLength(), 1);
        services->cancelChooser();
        Click(*dialog, Dlg::kButtonBrowseTable);
        QVERIFY(dialog->charTable() == nullptr);
        QVERIFY(ControlText(*dialog, Dlg::kEditTable).isEmpty());

        // The ROM's path is only stored: it is not even there.
        const QString rom = folder->path(QStringLiteral("game.nes"));
        chooseRom(rom);
        QCOMPARE(ControlText(*dialog, Dlg::kEditRom), rom);
        services->cancelChooser();
        Click(*dialog, Dlg::kButtonBrowseRom);
        QCOMPARE(ControlText(*dialog, Dlg::kEditRom), rom);

        ClickTab(*dialog, 1);
        const QString script = folder->write(QStringLiteral("script.txt"), "line one\nline two");
        services->chooseFile(script);
        Click(*dialog, Dlg::kButtonBrowseInsert);
        QCOMPARE(ControlText(*dialog, Dlg::kEditInsertFile), script);
        QCOMPARE(ToQString(*dialog->insertText()), QStringLiteral("line one\r\nline two"));
        services->cancelChooser();
        Click(*dialog, Dlg::kButtonBrowseInsert);
        QVERIFY(dialog->insertText() == nullptr);
        QCOMPARE(ControlText(*dialog, Dlg::kEditInsertFile), script);
        // An empty file is held as empty text.
        loadInsertFile(QStringLiteral("empty.txt"), QByteArray());
        QVERIFY(dialog->insertText()->empty());

        QCOMPARE(services->filters, (QStringList{kTableFilter, kTableFilter, kRomFilter, kRomFilter, kAllFilesFilter,
                                                 kAllFilesFilter, kAllFilesFilter}));
        QVERIFY(services->messages.empty());
    }

    void browseReportsAFileThatCannotBeRead() {
        loadTable(kAbdTable);
        const QString table = folder->path(QStringLiteral("missing.tbl"));
        services->chooseFile(table);
        Click(*dialog, Dlg::kButtonBrowseTable);
        QVERIFY(dialog->charTable() == nullptr);
        QVERIFY(ControlText(*dialog, Dlg::kEditTable).isEmpty());

        ClickTab(*dialog, 1);
        const QString script = folder->path(QStringLiteral("gone.txt"));
        services->chooseFile(script);
        Click(*dialog, Dlg::kButtonBrowseInsert);
        QVERIFY(dialog->insertText() == nullptr);

        QCOMPARE(services->messages.size(), std::size_t{2});
        QCOMPARE(services->messages[0].caption, kAppName);
        QVERIFY2(services->messages[0].text.contains(table), qPrintable(services->messages[0].text));
        QVERIFY2(services->messages[1].text.contains(script), qPrintable(services->messages[1].text));
        // The dialog goes on working.
        loadTable(kAbdTable);
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
        useTinyRom(QByteArray("\x10\x80\x13\x80", 4));
        const std::pair<int, const char*> typed[] = {{Dlg::kEditTableStart, "0"}, {Dlg::kEditTableEnd, "3"},
                                                     {Dlg::kEditTextStart, "10"}, {Dlg::kEditTextEnd, "14"},
                                                     {Dlg::kEditXOffset, "-8000"}};
        for (const auto& [id, text] : typed) TypeInto(*dialog, id, QString::fromLatin1(text));
        Click(*dialog, Dlg::kButtonGo);

        QCOMPARE(messageTexts(), QStringList{ToQString(messages::kDone)});
        // The message comes once the command is over: no wait cursor over it.
        QCOMPARE(services->messages[0].cursor, std::optional<Qt::CursorShape>());
        QVERIFY(QApplication::overrideCursor() == nullptr);
        QCOMPARE(Output(*dialog),
                 QStringLiteral("Table Start:\t0\r\nTable End:\t3\r\nText Start:\t10\r\nText End:\t14\r\n"
                                "XOffset:\tFFFF8000\r\n\r\nTable Type:\t0\r\nText Type:\t0\r\n-----------------\r\n"
                                "0\r\nAB[END]\r\n2\r\nD[END]\r\n"));
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

    void goExtractReportsARomThatCannotBeOpened() {
        const QString missing = folder->path(QStringLiteral("missing.nes"));
        chooseRom(missing);
        SetOutput(*dialog, QStringLiteral("earlier"));
        Click(*dialog, Dlg::kButtonGo);
        QCOMPARE(services->messages.size(), std::size_t{1});
        QVERIFY2(services->messages[0].text.contains(missing), qPrintable(services->messages[0].text));
        QCOMPARE(Output(*dialog), QStringLiteral("earlier"));
        QVERIFY(dialog->isVisible());
    }

    void goInsertAsksBeforeRunningPastTheTextArea() {
        const QString rom = useTinyRom({});
        const QByteArray before = ReadAll(rom);
        ClickTab(*dialog, 1);
        loadInsertFile(QStringLiteral("long.txt"),
                       "Table Start:\t0\r\nTable End:\t0\r\nText Start:\t10\r\nText End:\t11\r\nXOffset:\t0\r\n\r\n"
                       "Table Type:\t0\r\nText Type:\t0\r\n-----------------\r\nABDABD");
        services->answers.push_back(false);
        Click(*dialog, Dlg::kButtonGo);
        QCOMPARE(services->questions.size(), std::size_t{1});
        QCOMPARE(services->questions[0].text, ToQString(messages::OverLimitQuestion(4)));
        QCOMPARE(services->questions[0].caption, kAppName);
        QCOMPARE(messageTexts(), QStringList{ToQString(messages::EndedOver(4) + u"\r\n" +
                                                       std::u16string(messages::kRomNotChanged))});
        QCOMPARE(ReadAll(rom), before);
    }

    void goCheckInsertReportsWithoutRom() {
        loadTable(kAbdTable);
        ClickTab(*dialog, 2);
        loadInsertFile(QStringLiteral("script.txt"),
                       "Table Start:\t0\r\nTable End:\t0\r\nText Start:\t0\r\nText End:\t2\r\nXOffset:\t0\r\n\r\n"
                       "Table Type:\t0\r\nText Type:\t0\r\n-----------------\r\nABD");
        Click(*dialog, Dlg::kButtonGo);
        QVERIFY(services->messages.empty());
        QCOMPARE(Output(*dialog), kFitsReport);

        loadInsertFile(QStringLiteral("bad.txt"), "just some words");
        Click(*dialog, Dlg::kButtonGo);
        QCOMPARE(Output(*dialog), QStringLiteral("Bad File!"));
    }

    void goLoadsTheNamedInsertFileWhenNoTextIsHeld() {
        loadTable(kAbdTable);
        ClickTab(*dialog, 2);
        loadInsertFile(QStringLiteral("script.txt"), "no header here");
        services->cancelChooser();
        Click(*dialog, Dlg::kButtonBrowseInsert);
        QVERIFY(dialog->insertText() == nullptr);

        // The file changed meanwhile; GO reads it as it is now, in the current read mode.
        folder->write(QStringLiteral("script.txt"),
                      "Table Start:\t0\r\nTable End:\t0\r\nText Start:\t0\r\nText End:\t0\r\nXOffset:\t0\r\n\r\n"
                      "Table Type:\t0\r\nText Type:\t0\r\n-----------------\r\nAB");
        Click(*dialog, Dlg::kButtonGo);
        QVERIFY(dialog->insertText() != nullptr);
        QVERIFY(ToQString(*dialog->insertText()).endsWith(QStringLiteral("AB")));
        QVERIFY2(Output(*dialog).endsWith(QStringLiteral("You are 1 bytes over the original text limit!")),
                 qPrintable(Output(*dialog)));
    }

    void testButtonMeasuresTheTypedLine() {
        ClickTab(*dialog, 2);
        SetOutput(*dialog, QStringLiteral("earlier"));
        TypeInto(*dialog, Dlg::kEditTestText, QStringLiteral("A"));
        Click(*dialog, Dlg::kButtonTest);
        QCOMPARE(messageTexts(), QStringList{ToQString(messages::kNoTestText)});
        QCOMPARE(services->messages[0].caption, kAppName);
        QCOMPARE(Output(*dialog), QStringLiteral("earlier"));

        // Without a table an escape is one byte.
        TypeInto(*dialog, Dlg::kEditTestText, QStringLiteral("<41>"));
        Click(*dialog, Dlg::kButtonTest);
        QVERIFY2(Output(*dialog).endsWith(QStringLiteral("You are 3 bytes under the original text limit!")),
                 qPrintable(Output(*dialog)));

        loadTable(kAbdTable);
        TypeInto(*dialog, Dlg::kEditTestText, QStringLiteral("ABD"));
        Click(*dialog, Dlg::kButtonTest);
        QCOMPARE(Output(*dialog), kFitsReport);
        QCOMPARE(services->messages.size(), std::size_t{1});
    }

    void redoScriptNeedsTheRomAndCancelReleasesTheInsertText() {
        Click(*dialog, Dlg::kButtonRedoScript);
        QCOMPARE(messageTexts(), QStringList{ToQString(messages::kNoRom)});
        QVERIFY(services->filters.empty());

        loadInsertFile(QStringLiteral("held.txt"), "held");
        chooseRom(folder->path(QStringLiteral("game.nes")));
        services->cancelChooser();
        Click(*dialog, Dlg::kButtonRedoScript);
        QCOMPARE(services->filters.back(), kAllFilesFilter);
        QVERIFY(dialog->insertText() == nullptr);
        QCOMPARE(services->messages.size(), std::size_t{1});
    }

    void redoScriptKeepsABadFile() {
        chooseRom(folder->path(QStringLiteral("game.nes")));
        const QString path = folder->write(QStringLiteral("notes.txt"), "not a script");
        services->chooseFile(path);
        SetOutput(*dialog, QStringLiteral("earlier"));
        Click(*dialog, Dlg::kButtonRedoScript);
        QCOMPARE(messageTexts(), QStringList{ToQString(messages::kBadFileRedo)});
        QCOMPARE(ControlText(*dialog, Dlg::kEditInsertFile), path);
        QCOMPARE(ToQString(*dialog->insertText()), QStringLiteral("not a script"));
        QCOMPARE(ReadAll(path), QByteArray("not a script"));
        QCOMPARE(Output(*dialog), QStringLiteral("earlier"));
    }

    void redoScriptTakesTheTypesButLeavesTheNames() {
        // Table type 1 (Variation 1): low bytes 10 13, then high bytes 80 80.
        useTinyRom(QByteArray("\x10\x13\x80\x80", 4));
        const QString script = folder->write(
            QStringLiteral("old.txt"),
            "Table Start:\t0\r\nTable End:\t3\r\nText Start:\t10\r\nText End:\t14\r\nXOffset:\tFFFF8000\r\n\r\n"
            "Table Type:\t1\r\nText Type:\t0\r\n-----------------\r\nold text\r\n");
        loadInsertFile(QStringLiteral("held.txt"), "held");
        services->chooseFile(script);
        Click(*dialog, Dlg::kButtonRedoScript);

        QCOMPARE(messageTexts(), QStringList{ToQString(messages::kDone)});
        QCOMPARE(dialog->currentTableType(), TableType::Variation1);
        QCOMPARE(dialog->currentTextType(), TextType::Regular);
        QCOMPARE(ControlText(*dialog, Dlg::kEditTableType), QStringLiteral("Regular (2 bytes)"));
        QCOMPARE(ControlText(*dialog, Dlg::kEditInsertFile), script);
        QVERIFY(dialog->insertText() == nullptr);
        const QString shown = Output(*dialog);
        QVERIFY2(shown.endsWith(QStringLiteral("-----------------\r\n0\r\nAB[END]\r\n1\r\nD[END]\r\n")),
                 qPrintable(shown));
        // Saved over the file in UTF-8 with one zero byte at the end.
        QCOMPARE(ReadAll(script), shown.toUtf8() + QByteArray(1, '\0'));
    }

    void accessibleNames() {
        const QList<std::pair<int, QString>> expected = {
            {Dlg::kEditTableStart, QStringLiteral("Table Start Position:")},
            {Dlg::kEditTableEnd, QStringLiteral("Table End Position:")},
            {Dlg::kEditXOffset, QStringLiteral("X000 Offset:")},
            {Dlg::kEditTextStart, QStringLiteral("Text Start Position:")},
            {Dlg::kEditTextEnd, QStringLiteral("Text End Position:")},
            {Dlg::kEditHuffTable, QStringLiteral("HuffTable:")},
            {Dlg::kEditInsertFile, QStringLiteral("Insert File:")},
            {Dlg::kEditTable, QStringLiteral("Table:")},
            {Dlg::kEditRom, QStringLiteral("ROM:")},
            {Dlg::kEditTestText, QStringLiteral("Test Insert Text:")},
            {Dlg::kEditTableType, QStringLiteral("Table Type")},
            {Dlg::kEditTextType, QStringLiteral("Text Type")},
            {Dlg::kButtonPickTableType, QStringLiteral("Pick Table Type")},
            {Dlg::kButtonPickTextType, QStringLiteral("Pick Text Type")},
            {Dlg::kButtonBrowseRom, QStringLiteral("Browse ROM")},
            {Dlg::kButtonBrowseTable, QStringLiteral("Browse Table")},
            {Dlg::kButtonBrowseInsert, QStringLiteral("Browse Insert File")},
            {Dlg::kEditOutput, QStringLiteral("Output")},
            {Dlg::kButtonGo, QStringLiteral("GO")},
            {Dlg::kButtonRedoScript, QStringLiteral("ReDo Script")},
            {Dlg::kButtonTest, QStringLiteral("Test")},
            {Dlg::kRadioHex, QStringLiteral("HEX")},
            {Dlg::kRadioDec, QStringLiteral("DEC")},
            {Dlg::kLabelTableStart, QStringLiteral("Table Start Position:")},
        };
        for (const auto& [id, name] : expected) QCOMPARE(AccessibleName(dialog->control(id)), name);

        // The shared row's edit takes the label's text as it reads now.
        pickTable(6);
        QCOMPARE(AccessibleName(dialog->control(Dlg::kEditHuffTable)), QStringLiteral("ED Cmnd:"));

        QAccessibleInterface* tabs = QAccessible::queryAccessibleInterface(dialog->control(Dlg::kTabStrip));
        QStringList tabNames;
        for (int i = 0; i < tabs->childCount(); ++i)
            if (tabs->child(i)->role() == QAccessible::PageTab) tabNames << tabs->child(i)->text(QAccessible::Name);
        QCOMPARE(tabNames, (QStringList{QStringLiteral("Extract"), QStringLiteral("Insert"),
                                        QStringLiteral("Check Insert")}));

        QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(dialog->menuBar());
        QCOMPARE(bar->childCount(), 3);
        QCOMPARE(bar->child(1)->text(QAccessible::Name), QStringLiteral("Read Mode"));
        QCOMPARE(AccessibleName(dialog.get()), QStringLiteral("Quorvex"));

        CSelectDlg& picker = dialog->typePicker();
        QCOMPARE(AccessibleName(picker.findChild<QWidget*>(QStringLiteral("list1026"))), QStringLiteral("Types"));
        QCOMPARE(AccessibleName(picker.findChild<QWidget*>(QStringLiteral("static1027"))), QStringLiteral("Detail"));
    }
};

QTEST_MAIN(QuorvexDlgTest)
#include "QuorvexDlgTest.moc"
