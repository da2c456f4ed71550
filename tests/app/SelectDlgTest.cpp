// The two type pickers, opened from the main dialog's "\/" buttons and driven
// through their list and buttons: what they list, what OK, Cancel, Escape
// and a double-click do, the rows a pick shows or hides, and both warnings.
#include "AppTestSupport.h"
#include "DialogServices.h"
#include "FakeServices.h"
#include "QuorvexDlg.h"
#include "SelectDlg.h"
#include "TypeLists.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <memory>

using namespace quorvex;
using namespace quorvex::app;
using namespace quorvex::app::test;
using Dlg = CQuorvexDlg;

namespace {

QListWidget* List(QDialog& picker) { return picker.findChild<QListWidget*>(QStringLiteral("list1026")); }
QString Detail(QDialog& picker) { return picker.findChild<QLabel*>(QStringLiteral("static1027"))->text(); }
QStringList Names(std::span<const TypeEntry> entries) {
    QStringList names;
    for (const TypeEntry& entry : entries) names << QString::fromUtf16(entry.name);
    return names;
}

}  // namespace

class SelectDlgTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<FakeServices> services;
    std::unique_ptr<CQuorvexDlg> dialog;

    void pickTable(FakeServices::DialogHandler handler) {
        services->dialogs.push_back(std::move(handler));
        Click(*dialog, Dlg::kButtonPickTableType);
    }
    void pickText(FakeServices::DialogHandler handler) {
        services->dialogs.push_back(std::move(handler));
        Click(*dialog, Dlg::kButtonPickTextType);
    }
    [[nodiscard]] bool sharedRowShown() const {
        const bool label = !dialog->control(Dlg::kLabelHuffTable)->isHidden();
        const bool edit = !dialog->control(Dlg::kEditHuffTable)->isHidden();
        if (label != edit) qWarning("the shared row is half shown");
        return label && edit;
    }
    [[nodiscard]] bool xOffsetRowShown() const {
        return !dialog->control(Dlg::kLabelXOffset)->isHidden() && !dialog->control(Dlg::kEditXOffset)->isHidden();
    }
    [[nodiscard]] QStringList messageTexts() const {
        QStringList texts;
        for (const auto& box : services->messages) texts << box.text;
        return texts;
    }

private slots:
    void init() {
        services = std::make_unique<FakeServices>();
        dialog = std::make_unique<CQuorvexDlg>(services.get());
        dialog->show();
    }
    void cleanup() {
        dialog.reset();
        services.reset();
    }

    void tablePickerListsTheNineLayoutsInOrder() {
        QStringList shown;
        QString title;
        pickTable(Inspect(
            [&](QDialog& picker) {
                title = picker.windowTitle();
                for (int i = 0; i < List(picker)->count(); ++i) shown << List(picker)->item(i)->text();
            },
            PressCancel()));
        QCOMPARE(title, QStringLiteral("Select"));
        QCOMPARE(shown, Names(TableTypeEntries()));
        QCOMPARE(shown.size(), 9);
        QCOMPARE(shown.at(3), QStringLiteral("Pascal Line"));
        QCOMPARE(shown.at(7), QStringLiteral("4 byte Variation"));
    }

    void textPickerListsTheThreeEncodings() {
        QStringList shown;
        pickText(Inspect(
            [&](QDialog& picker) {
                for (int i = 0; i < List(picker)->count(); ++i) shown << List(picker)->item(i)->text();
            },
            PressCancel()));
        QCOMPARE(shown, (QStringList{QStringLiteral("Regular"), QStringLiteral("Huffman v1"),
                                     QStringLiteral("Huffman v2")}));
    }

    void everyOpeningStartsOnEntryZeroWithItsDetail() {
        pickTable(ClickRowThenOk(5));
        QCOMPARE(dialog->currentTableType(), TableType::Regular4);
        int row = -1;
        QString detail;
        QWidget* focused = nullptr;
        QWidget* ok = nullptr;
        pickTable(Inspect(
            [&](QDialog& picker) {
                row = List(picker)->currentRow();
                detail = Detail(picker);
                focused = picker.focusWidget();
                ok = picker.findChild<QPushButton*>(QStringLiteral("button1"));
            },
            PressOk()));
        QCOMPARE(row, 0);
        QCOMPARE(detail, QStringLiteral("Low High Low High Low High Low High"));
        QCOMPARE(focused, ok);
        // Enter at once picks number 0.
        QCOMPARE(dialog->currentTableType(), TableType::Regular2);
        QCOMPARE(ControlText(*dialog, Dlg::kEditTableType), QStringLiteral("Regular (2 bytes)"));
    }

    void detailFollowsTheHighlightWithItsLineBreaks() {
        QStringList details;
        pickTable(Inspect(
            [&](QDialog& picker) {
                for (int i = 0; i < 9; ++i) {
                    List(picker)->setCurrentRow(i);
                    details << Detail(picker);
                }
            },
            PressCancel()));
        QCOMPARE(details.size(), 9);
        for (int i = 0; i < 9; ++i)
            QCOMPARE(details.at(i), DisplayText(QString::fromUtf16(TableTypeEntries()[std::size_t(i)].description)));
        QVERIFY(details.at(2).contains(QStringLiteral(":).\n\nNote: You need the X000 Offset")));
        QCOMPARE(details.at(3), QStringLiteral("Each value in the table tells how long the string is."));

        QString huffman;
        pickText(Inspect(
            [&](QDialog& picker) {
                QTest::keyClick(List(picker), Qt::Key_Down);  // the keyboard moves the highlight too
                huffman = Detail(picker);
            },
            PressCancel()));
        QCOMPARE(huffman, QStringLiteral("Compressed, Huffman Text Variation 1\n\nUsed in Battletoads."));
    }

    void cancelAndEscapeChangeNothing_data() {
        QTest::addColumn<bool>("escape");
        QTest::addRow("Cancel") << false;
        QTest::addRow("Escape") << true;
    }
    void cancelAndEscapeChangeNothing() {
        QFETCH(bool, escape);
        pickTable(ClickRowThenOk(3));
        const auto row = [escape](int r) {
            return Inspect([r](QDialog& picker) { List(picker)->setCurrentRow(r); },
                           escape ? PressEscape() : PressCancel());
        };
        pickTable(row(6));
        pickText(row(2));
        QCOMPARE(dialog->currentTableType(), TableType::PascalLine);
        QCOMPARE(dialog->currentTextType(), TextType::Regular);
        QCOMPARE(ControlText(*dialog, Dlg::kEditTableType), QStringLiteral("Pascal Line"));
        QCOMPARE(ControlText(*dialog, Dlg::kEditTextType), QStringLiteral("Regular"));
        QVERIFY(!xOffsetRowShown());
        QVERIFY(!sharedRowShown());
        QVERIFY(services->messages.empty());
    }

    void doubleClickPicksAndCloses() {
        pickTable(DoubleClickRow(7));
        QCOMPARE(dialog->currentTableType(), TableType::Variation4);
        QCOMPARE(ControlText(*dialog, Dlg::kEditTableType), QStringLiteral("4 byte Variation"));
        QVERIFY(!dialog->typePicker().isVisible());
        pickText(DoubleClickRow(1));
        QCOMPARE(dialog->currentTextType(), TextType::HuffmanV1);
        QCOMPARE(ControlText(*dialog, Dlg::kEditTextType), QStringLiteral("Huffman v1"));
    }

    void pascalLineHidesTheOffsetRow() {
        pickTable(ClickRowThenOk(3));
        QCOMPARE(dialog->currentTableType(), TableType::PascalLine);
        QVERIFY(!xOffsetRowShown());
        QVERIFY(dialog->control(Dlg::kLabelXOffset)->isHidden());
        pickTable(ClickRowThenOk(8));
        QCOMPARE(dialog->currentTableType(), TableType::Custom1);
        QVERIFY(xOffsetRowShown());
        QVERIFY(!sharedRowShown());
    }

    void scatteredTypesShowTheEndDialogCommandRow_data() {
        QTest::addColumn<int>("row");
        QTest::addRow("Scattered (2 bytes)") << 2;
        QTest::addRow("Scattered (4 bytes)") << 6;
    }
    void scatteredTypesShowTheEndDialogCommandRow() {
        QFETCH(int, row);
        pickTable(ClickRowThenOk(row));
        QVERIFY(sharedRowShown());
        QCOMPARE(ControlText(*dialog, Dlg::kLabelHuffTable), QStringLiteral("ED Cmnd:"));
        QVERIFY(services->messages.empty());
        pickTable(ClickRowThenOk(1));
        QVERIFY(!sharedRowShown());
        // A pick that hides the row leaves its label as it was.
        QCOMPARE(ControlText(*dialog, Dlg::kLabelHuffTable), QStringLiteral("ED Cmnd:"));
    }

    void huffmanTypesShowTheHuffTableRow() {
        pickText(ClickRowThenOk(2));
        QCOMPARE(dialog->currentTextType(), TextType::HuffmanV2);
        QVERIFY(sharedRowShown());
        QCOMPARE(ControlText(*dialog, Dlg::kLabelHuffTable), QStringLiteral("HuffTable:"));
        // Picking a table type that needs no row hides it again.
        pickTable(ClickRowThenOk(0));
        QVERIFY(!sharedRowShown());
        QCOMPARE(dialog->currentTextType(), TextType::HuffmanV2);
    }

    void scatteredAfterHuffmanWarnsAndKeepsThePick() {
        pickText(ClickRowThenOk(1));
        pickTable(ClickRowThenOk(6));
        QCOMPARE(messageTexts(), QStringList{QStringLiteral("TextSel can't be 1 or 2 while TableSel is 2!")});
        QCOMPARE(services->messages[0].caption, QStringLiteral("ERROR!"));
        QCOMPARE(dialog->currentTableType(), TableType::Scattered4);
        QCOMPARE(ControlText(*dialog, Dlg::kEditTableType), QStringLiteral("Scattered (4 bytes)"));
        QVERIFY(sharedRowShown());
        QCOMPARE(ControlText(*dialog, Dlg::kLabelHuffTable), QStringLiteral("ED Cmnd:"));
    }

    void huffmanAfterScatteredWarnsAndKeepsThePick() {
        pickTable(ClickRowThenOk(2));
        pickText(ClickRowThenOk(2));
        QCOMPARE(messageTexts(), QStringList{QStringLiteral("TextSel can't be 1 or 2 while TableSel is 2 or 6!")});
        QCOMPARE(services->messages[0].caption, QStringLiteral("ERROR!"));
        QCOMPARE(dialog->currentTextType(), TextType::HuffmanV2);
        QCOMPARE(ControlText(*dialog, Dlg::kEditTextType), QStringLiteral("Huffman v2"));
        QVERIFY(sharedRowShown());
        QCOMPARE(ControlText(*dialog, Dlg::kLabelHuffTable), QStringLiteral("HuffTable:"));
    }

    void regularTextHidesTheRowTheTableUses() {
        pickTable(ClickRowThenOk(2));
        TypeInto(*dialog, Dlg::kEditHuffTable, QStringLiteral("ff"));
        pickText(ClickRowThenOk(0));
        QVERIFY(!sharedRowShown());
        QCOMPARE(ControlText(*dialog, Dlg::kEditHuffTable), QStringLiteral("FF"));
        QVERIFY(services->messages.empty());
    }

    void nameFieldsChangeOnlyThroughPicks() {
        pickTable(ClickRowThenOk(4));
        pickText(ClickRowThenOk(1));
        QCOMPARE(ControlText(*dialog, Dlg::kEditTableType), QStringLiteral("Regular (3 bytes)"));
        QCOMPARE(ControlText(*dialog, Dlg::kEditTextType), QStringLiteral("Huffman v1"));
        QCOMPARE(services->dialogTitles, (QStringList{QStringLiteral("Select"), QStringLiteral("Select")}));
    }
};

QTEST_MAIN(SelectDlgTest)
#include "SelectDlgTest.moc"
