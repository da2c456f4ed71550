// The two type pickers, opened from the main dialog's "\/" buttons and driven
// through their list and buttons: what OK, Cancel, Escape and a double-click
// do, the rows a pick shows or hides, and both warnings.
#include "AppTestSupport.h"
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

    // "hidden", "half" when only one of its two controls shows, or the label's text.
    [[nodiscard]] QString row(int labelId, int editId) const {
        const bool label = !dialog->control(labelId)->isHidden();
        if (label != !dialog->control(editId)->isHidden()) return QStringLiteral("half");
        return label ? ControlText(*dialog, labelId) : QStringLiteral("hidden");
    }
    [[nodiscard]] QString sharedRow() const { return row(Dlg::kLabelHuffTable, Dlg::kEditHuffTable); }
    [[nodiscard]] QString xOffsetRow() const { return row(Dlg::kLabelXOffset, Dlg::kEditXOffset); }

private slots:
    void init() { open(); }
    void cleanup() { close(); }

    // Each opening starts on entry 0 with its detail and OK focused, whatever
    // type is current. OK and the detail (line breaks kept) follow the selected
    // entry, also when it was selected as screen readers and UI automation do:
    // through the selection model, leaving the current row where it was.
    void okAndDetailFollowTheSelection() {
        pickTable(ClickRowThenOk(5));
        QCOMPARE(dialog->currentTableType(), TableType::Regular4);
        QList<int> currentRows;
        QStringList details;
        bool okFocused = false;
        const auto selectOnly = [&](int r) {
            return Inspect(
                [&, r](QDialog& picker) {
                    QListWidget* list = List(picker);
                    details << Detail(picker);
                    okFocused = picker.focusWidget() == picker.findChild<QPushButton*>(QStringLiteral("button1"));
                    list->selectionModel()->select(list->model()->index(r, 0), QItemSelectionModel::ClearAndSelect);
                    currentRows << list->currentRow();
                    details << Detail(picker);
                },
                PressKey(Qt::Key_Return));
        };
        pickTable(selectOnly(7));
        QVERIFY(okFocused);
        pickText(selectOnly(2));
        QCOMPARE(currentRows, (QList<int>{0, 0}));
        QCOMPARE(details, (QStringList{QStringLiteral("Low High Low High Low High Low High"),
                                       QStringLiteral("High4 Mid3 Mid2 Low1 High4 Mid3 Mid2 Low1"),
                                       QStringLiteral("Normal Text"),
                                       QStringLiteral("Compressed, Huffman Text Variation 2\n\nUsed in DickTracy.")}));
        QCOMPARE(services->dialogTitles.last(), QStringLiteral("Select"));
        QCOMPARE(dialog->currentTableType(), TableType::Variation4);
        QCOMPARE(dialog->currentTextType(), TextType::HuffmanV2);
        QCOMPARE(ControlText(*dialog, Dlg::kEditTableType), QStringLiteral("4 byte Variation"));
        QCOMPARE(ControlText(*dialog, Dlg::kEditTextType), QStringLiteral("Huffman v2"));
    }

    void cancelAndEscapeChangeNothingADoubleClickPicks() {
        pickTable(ClickRowThenOk(3));
        for (const auto& leave : {PressCancel(), PressKey(Qt::Key_Escape)}) {
            const auto highlight = [&](int r) {
                return Inspect([r](QDialog& picker) { List(picker)->setCurrentRow(r); }, leave);
            };
            pickTable(highlight(6));
            pickText(highlight(2));
            QCOMPARE(dialog->currentTableType(), TableType::PascalLine);
            QCOMPARE(dialog->currentTextType(), TextType::Regular);
            QCOMPARE(ControlText(*dialog, Dlg::kEditTableType), QStringLiteral("Pascal Line"));
            QCOMPARE(ControlText(*dialog, Dlg::kEditTextType), QStringLiteral("Regular"));
            QCOMPARE(xOffsetRow() + sharedRow(), QStringLiteral("hiddenhidden"));
        }
        QVERIFY(services->messages.empty());
        // A double-click picks and closes.
        pickTable(DoubleClickRow(7));
        QCOMPARE(dialog->currentTableType(), TableType::Variation4);
        QVERIFY(!dialog->typePicker().isVisible());
        pickText(DoubleClickRow(1));
        QCOMPARE(ControlText(*dialog, Dlg::kEditTextType), QStringLiteral("Huffman v1"));
    }

    // Each run of picks and the offset row and shared row each pick leaves;
    // a pick that hides the shared row keeps its label and its number.
    void picksShowAndHideTheirRows() {
        const QString o = QStringLiteral("X000 Offset:"), h = QStringLiteral("hidden");
        const QString ed = QStringLiteral("ED Cmnd:"), huff = QStringLiteral("HuffTable:");
        struct Step {
            int table, text;  // the rows picked, -1 for none
            QString xOffset, shared;
        };
        const std::vector<Step> runs[] = {
            {{3, -1, h, h}, {8, -1, o, h}},     // PascalLine hides the offset row, Custom1 shows it
            {{2, -1, o, ed}, {1, -1, o, h}},    // Scattered (2 bytes), then Variation 1
            {{6, -1, o, ed}, {1, -1, o, h}},    // Scattered (4 bytes)
            {{-1, 2, o, huff}, {0, -1, o, h}},  // Huffman, then a table type that needs no row
            {{2, -1, o, ed}, {-1, 0, o, h}},    // Regular text hides the row the table uses
        };
        for (const auto& run : runs) {
            close();
            open();
            for (const Step& step : run) {
                if (step.table >= 0) pickTable(ClickRowThenOk(step.table));
                if (step.text >= 0) pickText(ClickRowThenOk(step.text));
                if (&step == &run.front()) TypeInto(*dialog, Dlg::kEditHuffTable, QStringLiteral("ff"));
                QCOMPARE(xOffsetRow(), step.xOffset);
                QCOMPARE(sharedRow(), step.shared);
            }
            if (run.front().shared != h) QCOMPARE(ControlText(*dialog, Dlg::kLabelHuffTable), run.front().shared);
            if (run.front().shared != h) QCOMPARE(ControlText(*dialog, Dlg::kEditHuffTable), QStringLiteral("FF"));
            QVERIFY(services->messages.empty());
        }
    }

    // Either order of a scattered table and a Huffman text warns, keeps the
    // pick and shows the row the last pick uses.
    void scatteredWithHuffmanWarnsAndKeepsThePick() {
        pickText(ClickRowThenOk(1));
        pickTable(ClickRowThenOk(6));
        QCOMPARE(sharedRow(), QStringLiteral("ED Cmnd:"));
        QCOMPARE(dialog->currentTableType(), TableType::Scattered4);
        QCOMPARE(dialog->currentTextType(), TextType::HuffmanV1);
        pickTable(ClickRowThenOk(2));
        pickText(ClickRowThenOk(2));
        QCOMPARE(sharedRow(), QStringLiteral("HuffTable:"));
        QCOMPARE(dialog->currentTableType(), TableType::Scattered2);
        QCOMPARE(dialog->currentTextType(), TextType::HuffmanV2);
        QCOMPARE(ControlText(*dialog, Dlg::kEditTableType), QStringLiteral("Scattered (2 bytes)"));
        QCOMPARE(services->messageTexts(),
                 (QStringList{QStringLiteral("TextSel can't be 1 or 2 while TableSel is 2!"),
                              QStringLiteral("TextSel can't be 1 or 2 while TableSel is 2!"),
                              QStringLiteral("TextSel can't be 1 or 2 while TableSel is 2 or 6!")}));
        QCOMPARE(services->messages[0].caption, QStringLiteral("ERROR!"));
    }
};

QTEST_MAIN(SelectDlgTest)
#include "SelectDlgTest.moc"
