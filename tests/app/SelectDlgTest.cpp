// The two type pickers, opened from the main dialog's "\/" buttons and driven
// through their list and buttons: what they list, what OK, Cancel, Escape
// and a double-click do, the rows a pick shows or hides, and both warnings.
#include "AppTestSupport.h"
#include "FakeServices.h"
#include "QuorvexDlg.h"
#include "SelectDlg.h"

#include <QItemSelectionModel>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

using namespace quorvex;
using namespace quorvex::app;
using namespace quorvex::app::test;
using Dlg = CQuorvexDlg;

namespace {

QListWidget* List(QDialog& picker) { return picker.findChild<QListWidget*>(QStringLiteral("list1026")); }
QString Detail(QDialog& picker) { return picker.findChild<QLabel*>(QStringLiteral("static1027"))->text(); }

}  // namespace

class SelectDlgTest : public QObject, DialogFixture {
    Q_OBJECT

private:
    void pickTable(FakeServices::DialogHandler handler) {
        Pick(*dialog, *services, Dlg::kButtonPickTableType, std::move(handler));
    }
    void pickText(FakeServices::DialogHandler handler) {
        Pick(*dialog, *services, Dlg::kButtonPickTextType, std::move(handler));
    }
    // "hidden", "half" when only one of its two controls shows, or the label's text.
    [[nodiscard]] QString row(int labelId, int editId) const {
        const bool label = !dialog->control(labelId)->isHidden();
        const bool edit = !dialog->control(editId)->isHidden();
        if (label != edit) return QStringLiteral("half");
        return label ? ControlText(*dialog, labelId) : QStringLiteral("hidden");
    }
    [[nodiscard]] QString sharedRow() const { return row(Dlg::kLabelHuffTable, Dlg::kEditHuffTable); }
    [[nodiscard]] QString xOffsetRow() const { return row(Dlg::kLabelXOffset, Dlg::kEditXOffset); }

private slots:
    void init() { open(); }
    void cleanup() { close(); }

    // Each opening lists its types in order, starts on entry 0 with its
    // detail (line breaks kept) and OK focused, whatever type is current.
    void everyOpeningListsItsTypesFromEntryZero() {
        pickTable(ClickRowThenOk(5));
        QCOMPARE(dialog->currentTableType(), TableType::Regular4);
        QStringList tables, texts, details;
        bool okFocused = false;
        pickTable(Inspect(
            [&](QDialog& picker) {
                for (int i = 0; i < List(picker)->count(); ++i) tables << List(picker)->item(i)->text();
                details << Detail(picker);
                okFocused = picker.focusWidget() == picker.findChild<QPushButton*>(QStringLiteral("button1"));
                List(picker)->setCurrentRow(2);
                details << Detail(picker);
            },
            PressCancel()));
        pickText(Inspect(
            [&](QDialog& picker) {
                for (int i = 0; i < List(picker)->count(); ++i) texts << List(picker)->item(i)->text();
                QTest::keyClick(List(picker), Qt::Key_Down);  // the keyboard moves the highlight too
                details << Detail(picker);
            },
            PressOk()));
        QCOMPARE(tables, (QStringList{"Regular (2 bytes)", "Variation 1", "Scattered (2 bytes)", "Pascal Line",
                                      "Regular (3 bytes)", "Regular (4 bytes)", "Scattered (4 bytes)",
                                      "4 byte Variation", "Custom 1"}));
        QCOMPARE(texts, (QStringList{"Regular", "Huffman v1", "Huffman v2"}));
        QCOMPARE(details[0], QStringLiteral("Low High Low High Low High Low High"));
        QVERIFY(details[1].endsWith(QStringLiteral("\n\nNote: You need the X000 Offset and the End Dialog Command!")));
        QCOMPARE(details[2], QStringLiteral("Compressed, Huffman Text Variation 1\n\nUsed in Battletoads."));
        QVERIFY(okFocused);
        QCOMPARE(services->dialogTitles.last(), QStringLiteral("Select"));
        QCOMPARE(dialog->currentTextType(), TextType::HuffmanV1);
        QCOMPARE(ControlText(*dialog, Dlg::kEditTextType), QStringLiteral("Huffman v1"));
    }

    // Screen readers and UI automation select an entry through the selection
    // model and leave the current row where it was.
    void okAndDetailFollowASelectionThatLeavesTheCurrentRow() {
        QList<int> currentRows;
        QStringList details;
        const auto selectOnly = [&](int r) {
            return Inspect(
                [&, r](QDialog& picker) {
                    QListWidget* list = List(picker);
                    list->selectionModel()->select(list->model()->index(r, 0), QItemSelectionModel::ClearAndSelect);
                    currentRows << list->currentRow();
                    details << Detail(picker);
                },
                PressOk());
        };
        pickTable(selectOnly(7));
        pickText(selectOnly(2));
        QCOMPARE(currentRows, (QList<int>{0, 0}));
        QCOMPARE(details, (QStringList{QStringLiteral("High4 Mid3 Mid2 Low1 High4 Mid3 Mid2 Low1"),
                                       QStringLiteral("Compressed, Huffman Text Variation 2\n\nUsed in DickTracy.")}));
        QCOMPARE(dialog->currentTableType(), TableType::Variation4);
        QCOMPARE(dialog->currentTextType(), TextType::HuffmanV2);
        QCOMPARE(ControlText(*dialog, Dlg::kEditTableType), QStringLiteral("4 byte Variation"));
    }

    void cancelAndEscapeChangeNothing_data() {
        QTest::addColumn<bool>("escape");
        QTest::addRow("Cancel") << false;
        QTest::addRow("Escape") << true;
    }
    void cancelAndEscapeChangeNothing() {
        QFETCH(bool, escape);
        pickTable(ClickRowThenOk(3));
        const auto highlight = [escape](int r) {
            return Inspect([r](QDialog& picker) { List(picker)->setCurrentRow(r); },
                           escape ? PressEscape() : PressCancel());
        };
        pickTable(highlight(6));
        pickText(highlight(2));
        QCOMPARE(dialog->currentTableType(), TableType::PascalLine);
        QCOMPARE(dialog->currentTextType(), TextType::Regular);
        QCOMPARE(ControlText(*dialog, Dlg::kEditTableType), QStringLiteral("Pascal Line"));
        QCOMPARE(ControlText(*dialog, Dlg::kEditTextType), QStringLiteral("Regular"));
        QCOMPARE(xOffsetRow(), QStringLiteral("hidden"));
        QCOMPARE(sharedRow(), QStringLiteral("hidden"));
        QVERIFY(services->messages.empty());
    }

    void doubleClickPicksAndCloses() {
        pickTable(DoubleClickRow(7));
        QCOMPARE(dialog->currentTableType(), TableType::Variation4);
        QVERIFY(!dialog->typePicker().isVisible());
        pickText(DoubleClickRow(1));
        QCOMPARE(ControlText(*dialog, Dlg::kEditTextType), QStringLiteral("Huffman v1"));
    }

    // Each pick, in order, and the offset row and shared row it leaves.
    void picksShowAndHideTheirRows_data() {
        QTest::addColumn<QList<int>>("tableRows");  // -1: no table pick at this step
        QTest::addColumn<QList<int>>("textRows");   // -1: no text pick at this step
        QTest::addColumn<QStringList>("xOffset");
        QTest::addColumn<QStringList>("shared");
        const QString offset = QStringLiteral("X000 Offset:"), hidden = QStringLiteral("hidden");
        const QString ed = QStringLiteral("ED Cmnd:"), huff = QStringLiteral("HuffTable:");
        QTest::addRow("PascalLine hides the offset row, Custom1 shows it")
            << QList<int>{3, 8} << QList<int>{-1, -1} << QStringList{hidden, offset} << QStringList{hidden, hidden};
        QTest::addRow("Scattered (2 bytes)")
            << QList<int>{2, 1} << QList<int>{-1, -1} << QStringList{offset, offset} << QStringList{ed, hidden};
        QTest::addRow("Scattered (4 bytes)")
            << QList<int>{6, 1} << QList<int>{-1, -1} << QStringList{offset, offset} << QStringList{ed, hidden};
        QTest::addRow("Huffman, then a table type that needs no row")
            << QList<int>{-1, 0} << QList<int>{2, -1} << QStringList{offset, offset} << QStringList{huff, hidden};
        QTest::addRow("Regular text hides the row the table uses, keeping its number")
            << QList<int>{2, -1} << QList<int>{-1, 0} << QStringList{offset, offset} << QStringList{ed, hidden};
    }
    void picksShowAndHideTheirRows() {
        QFETCH(QList<int>, tableRows);
        QFETCH(QList<int>, textRows);
        QFETCH(QStringList, xOffset);
        QFETCH(QStringList, shared);
        for (int step = 0; step < tableRows.size(); ++step) {
            if (tableRows[step] >= 0) pickTable(ClickRowThenOk(tableRows[step]));
            if (textRows[step] >= 0) pickText(ClickRowThenOk(textRows[step]));
            if (step == 0) TypeInto(*dialog, Dlg::kEditHuffTable, QStringLiteral("ff"));
            QCOMPARE(xOffsetRow(), xOffset[step]);
            QCOMPARE(sharedRow(), shared[step]);
        }
        QVERIFY(services->messages.empty());
        // A pick that hides the shared row leaves its label and its number as they were.
        if (shared.first() != QStringLiteral("hidden")) {
            QCOMPARE(ControlText(*dialog, Dlg::kLabelHuffTable), shared.first());
            QCOMPARE(ControlText(*dialog, Dlg::kEditHuffTable), QStringLiteral("FF"));
        }
    }

    void scatteredWithHuffmanWarnsAndKeepsThePick_data() {
        QTest::addColumn<bool>("tableFirst");
        QTest::addColumn<QString>("warning");
        QTest::addRow("Huffman, then Scattered")
            << false << QStringLiteral("TextSel can't be 1 or 2 while TableSel is 2!");
        QTest::addRow("Scattered, then Huffman")
            << true << QStringLiteral("TextSel can't be 1 or 2 while TableSel is 2 or 6!");
    }
    void scatteredWithHuffmanWarnsAndKeepsThePick() {
        QFETCH(bool, tableFirst);
        QFETCH(QString, warning);
        if (tableFirst) {
            pickTable(ClickRowThenOk(2));
            pickText(ClickRowThenOk(2));
        } else {
            pickText(ClickRowThenOk(1));
            pickTable(ClickRowThenOk(6));
        }
        QCOMPARE(services->messageTexts(), QStringList{warning});
        QCOMPARE(services->messages[0].caption, QStringLiteral("ERROR!"));
        QCOMPARE(dialog->currentTableType(), tableFirst ? TableType::Scattered2 : TableType::Scattered4);
        QCOMPARE(dialog->currentTextType(), tableFirst ? TextType::HuffmanV2 : TextType::HuffmanV1);
        QCOMPARE(ControlText(*dialog, Dlg::kEditTableType),
                 tableFirst ? QStringLiteral("Scattered (2 bytes)") : QStringLiteral("Scattered (4 bytes)"));
        // The row follows the last pick.
        QCOMPARE(sharedRow(), tableFirst ? QStringLiteral("HuffTable:") : QStringLiteral("ED Cmnd:"));
    }
};

QTEST_MAIN(SelectDlgTest)
#include "SelectDlgTest.moc"
