// The two type pickers, opened from the main dialog's "\/" buttons and driven
// through their list and buttons: what they list, what OK, Cancel, Escape
// and a double-click do, the rows a pick shows or hides, and both warnings.
#include "AppTestSupport.h"
#include "DialogServices.h"
#include "FakeServices.h"
#include "QuorvexDlg.h"
#include "SelectDlg.h"
#include "TypeLists.h"

#include <QItemSelectionModel>
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
        Pick(*dialog, *services, Dlg::kButtonPickTableType, std::move(handler));
    }
    void pickText(FakeServices::DialogHandler handler) {
        Pick(*dialog, *services, Dlg::kButtonPickTextType, std::move(handler));
    }
    // Both controls of a row, or "half" when only one of them shows.
    [[nodiscard]] QString row(int labelId, int editId) const {
        const bool label = !dialog->control(labelId)->isHidden();
        const bool edit = !dialog->control(editId)->isHidden();
        return label != edit ? QStringLiteral("half") : label ? QStringLiteral("shown") : QStringLiteral("hidden");
    }
    [[nodiscard]] QString sharedRow() const {
        const QString shown = row(Dlg::kLabelHuffTable, Dlg::kEditHuffTable);
        return shown == QStringLiteral("shown") ? ControlText(*dialog, Dlg::kLabelHuffTable) : shown;
    }
    [[nodiscard]] QString xOffsetRow() const { return row(Dlg::kLabelXOffset, Dlg::kEditXOffset); }

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

    void pickersListTheirTypesInOrder() {
        QStringList tables;
        QStringList texts;
        QString title;
        const auto list = [](QStringList& into) {
            return [&into](QDialog& picker) {
                for (int i = 0; i < List(picker)->count(); ++i) into << List(picker)->item(i)->text();
            };
        };
        pickTable(Inspect(
            [&](QDialog& picker) {
                title = picker.windowTitle();
                list(tables)(picker);
            },
            PressCancel()));
        pickText(Inspect(list(texts), PressCancel()));
        QCOMPARE(title, QStringLiteral("Select"));
        QCOMPARE(tables, Names(TableTypeEntries()));
        QCOMPARE(tables.size(), 9);
        QCOMPARE(tables.at(3), QStringLiteral("Pascal Line"));
        QCOMPARE(tables.at(7), QStringLiteral("4 byte Variation"));
        QCOMPARE(texts, (QStringList{QStringLiteral("Regular"), QStringLiteral("Huffman v1"),
                                     QStringLiteral("Huffman v2")}));
    }

    void everyOpeningStartsOnEntryZeroWithItsDetail() {
        pickTable(ClickRowThenOk(5));
        QCOMPARE(dialog->currentTableType(), TableType::Regular4);
        int current = -1;
        QString detail;
        bool okFocused = false;
        pickTable(Inspect(
            [&](QDialog& picker) {
                current = List(picker)->currentRow();
                detail = Detail(picker);
                okFocused = picker.focusWidget() == picker.findChild<QPushButton*>(QStringLiteral("button1"));
            },
            PressOk()));
        QCOMPARE(current, 0);
        QCOMPARE(detail, QStringLiteral("Low High Low High Low High Low High"));
        QVERIFY(okFocused);
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
        QCOMPARE(details, (QStringList{DisplayText(QString::fromUtf16(TableTypeEntries()[7].description)),
                                       DisplayText(QString::fromUtf16(TextTypeEntries()[2].description))}));
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
        QCOMPARE(ControlText(*dialog, Dlg::kEditTableType), QStringLiteral("4 byte Variation"));
        QVERIFY(!dialog->typePicker().isVisible());
        pickText(DoubleClickRow(1));
        QCOMPARE(dialog->currentTextType(), TextType::HuffmanV1);
        QCOMPARE(ControlText(*dialog, Dlg::kEditTextType), QStringLiteral("Huffman v1"));
        QCOMPARE(services->dialogTitles, (QStringList{QStringLiteral("Select"), QStringLiteral("Select")}));
    }

    // Each pick, in order, and the offset row and shared row it leaves.
    void picksShowAndHideTheirRows_data() {
        QTest::addColumn<QList<int>>("tableRows");  // -1: no table pick at this step
        QTest::addColumn<QList<int>>("textRows");   // -1: no text pick at this step
        QTest::addColumn<QStringList>("xOffset");
        QTest::addColumn<QStringList>("shared");
        const QString shown = QStringLiteral("shown"), hidden = QStringLiteral("hidden");
        const QString ed = QStringLiteral("ED Cmnd:"), huff = QStringLiteral("HuffTable:");
        QTest::addRow("PascalLine hides the offset row, Custom1 shows it")
            << QList<int>{3, 8} << QList<int>{-1, -1} << QStringList{hidden, shown} << QStringList{hidden, hidden};
        QTest::addRow("Scattered (2 bytes)")
            << QList<int>{2, 1} << QList<int>{-1, -1} << QStringList{shown, shown} << QStringList{ed, hidden};
        QTest::addRow("Scattered (4 bytes)")
            << QList<int>{6, 1} << QList<int>{-1, -1} << QStringList{shown, shown} << QStringList{ed, hidden};
        QTest::addRow("Huffman, then a table type that needs no row")
            << QList<int>{-1, 0} << QList<int>{2, -1} << QStringList{shown, shown} << QStringList{huff, hidden};
        QTest::addRow("Regular text hides the row the table uses")
            << QList<int>{2, -1} << QList<int>{-1, 0} << QStringList{shown, shown} << QStringList{ed, hidden};
    }
    void picksShowAndHideTheirRows() {
        QFETCH(QList<int>, tableRows);
        QFETCH(QList<int>, textRows);
        QFETCH(QStringList, xOffset);
        QFETCH(QStringList, shared);
        for (int step = 0; step < tableRows.size(); ++step) {
            if (tableRows[step] >= 0) pickTable(ClickRowThenOk(tableRows[step]));
            if (textRows[step] >= 0) pickText(ClickRowThenOk(textRows[step]));
            QCOMPARE(xOffsetRow(), xOffset[step]);
            QCOMPARE(sharedRow(), shared[step]);
        }
        QVERIFY(services->messages.empty());
        // A pick that hides the shared row leaves its label as it was.
        if (shared.first() != QStringLiteral("hidden"))
            QCOMPARE(ControlText(*dialog, Dlg::kLabelHuffTable), shared.first());
    }

    void theEditOfAHiddenRowKeepsItsText() {
        pickTable(ClickRowThenOk(2));
        TypeInto(*dialog, Dlg::kEditHuffTable, QStringLiteral("ff"));
        pickText(ClickRowThenOk(0));
        QCOMPARE(sharedRow(), QStringLiteral("hidden"));
        QCOMPARE(ControlText(*dialog, Dlg::kEditHuffTable), QStringLiteral("FF"));
    }

    void scatteredWithHuffmanWarnsAndKeepsThePick_data() {
        QTest::addColumn<bool>("tableFirst");
        QTest::addColumn<QString>("warning");
        QTest::addRow("Huffman, then Scattered") << false << QStringLiteral("TextSel can't be 1 or 2 while TableSel is 2!");
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
        QCOMPARE(ControlText(*dialog, Dlg::kEditTableType),
                 tableFirst ? QStringLiteral("Scattered (2 bytes)") : QStringLiteral("Scattered (4 bytes)"));
        QCOMPARE(ControlText(*dialog, Dlg::kEditTextType),
                 tableFirst ? QStringLiteral("Huffman v2") : QStringLiteral("Huffman v1"));
        QCOMPARE(dialog->currentTableType(), tableFirst ? TableType::Scattered2 : TableType::Scattered4);
        QCOMPARE(dialog->currentTextType(), tableFirst ? TextType::HuffmanV2 : TextType::HuffmanV1);
        // The row follows the last pick.
        QCOMPARE(sharedRow(), tableFirst ? QStringLiteral("HuffTable:") : QStringLiteral("ED Cmnd:"));
    }
};

QTEST_MAIN(SelectDlgTest)
#include "SelectDlgTest.moc"
