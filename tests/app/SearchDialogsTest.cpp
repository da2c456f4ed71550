// The Tools menu driven as a user drives it: a line found by relative search
// becomes the held table, and a found pointer table fills the Extract tab.
#include "AppTestSupport.h"
#include "FakeServices.h"
#include "QuorvexDlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

using namespace quorvex;
using namespace quorvex::app;
using namespace quorvex::app::test;

namespace {

template <typename Widget>
Widget* Find(QDialog& dialog, const char* name) {
    auto* widget = dialog.findChild<Widget*>(QString::fromLatin1(name));
    if (widget == nullptr) qFatal("no %s in the dialog", name);
    return widget;
}

QStringList Lines(QDialog& dialog, const char* list) {
    QStringList lines;
    for (int row = 0; row < Find<QListWidget>(dialog, list)->count(); ++row) lines << Find<QListWidget>(dialog, list)->item(row)->text();
    return lines;
}

int Result(QDialog& dialog) { return dialog.result(); }

}  // namespace

class SearchDialogsTest : public QObject, DialogFixture {
    Q_OBJECT

private slots:
    void init() { open(); }
    void cleanup() { close(); }

    void relativeSearchLoadsTheDraftOfAHitAsTheTable() {
        chooseRom(folder->write(QStringLiteral("game.bin"), QByteArray("\xFF\xFF\x87\xA8\x00\xFF\x81\xAE\xA1\xFF", 10)));
        services->chooseFile(folder->path(QStringLiteral("draft.tbl")));
        services->dialogs.push_back(Inspect([](QDialog& search) {
            Find<QLineEdit>(search, "searchText")->setText(QStringLiteral("Hi, Bob"));
            QTest::mouseClick(Find<QPushButton>(search, "searchButton"), Qt::LeftButton);
            QCOMPARE(Lines(search, "hitList"), QStringList{QStringLiteral("2\tA=80 a=A0")});
            QCOMPARE(Find<QLabel>(search, "hitCount")->text(), QStringLiteral("1 hits"));
            QTest::mouseClick(Find<QPushButton>(search, "loadTableButton"), Qt::LeftButton);
        }, Result));
        TriggerMenu(*dialog, "actionRelativeSearch");
        QCOMPARE(messageTexts(), QStringList());
        QCOMPARE(ControlText(*dialog, CQuorvexDlg::kEditTable), folder->path(QStringLiteral("draft.tbl")));
        QVERIFY(dialog->charTable() != nullptr);
        QVERIFY(ReadAll(folder->path(QStringLiteral("draft.tbl"))).startsWith("80=A\r\n81=B\r\n"));
    }

    void findPointersFillsTheExtractTabInTheFormShown() {
        chooseRom(folder->copyExample(QStringLiteral("demo.bin")));
        const struct {
            int radio;
            const char* offsets;
            QStringList fields;  // Table Start, Table End, X000 Offset, Text Start, Text End
        } cases[] = {
            {CQuorvexDlg::kRadioHex, "100 186", {"10", "37", "FFFF8000", "100", "293"}},
            {CQuorvexDlg::kRadioDec, "256, 390", {"16", "55", "-32768", "256", "659"}},
        };
        for (const auto& c : cases) {
            Click(*dialog, c.radio);
            services->dialogs.push_back(Inspect([&c](QDialog& find) {
                Find<QLineEdit>(find, "textOffsets")->setText(QString::fromLatin1(c.offsets));
                QTest::mouseClick(Find<QPushButton>(find, "findButton"), Qt::LeftButton);
                QCOMPARE(Lines(find, "candidateList").size(), 1);
                QVERIFY(Find<QLineEdit>(find, "extractLine")->text().startsWith(QStringLiteral("quorvex-cli extract")));
                QTest::mouseClick(Find<QPushButton>(find, "useButton"), Qt::LeftButton);
            }, Result));
            TriggerMenu(*dialog, "actionFindPointers");
            const int ids[] = {CQuorvexDlg::kEditTableStart, CQuorvexDlg::kEditTableEnd, CQuorvexDlg::kEditXOffset,
                               CQuorvexDlg::kEditTextStart, CQuorvexDlg::kEditTextEnd};
            QStringList shown;
            for (const int id : ids) shown << ControlText(*dialog, id);
            QCOMPARE(shown, c.fields);
            QCOMPARE(ControlText(*dialog, CQuorvexDlg::kEditTableType), QStringLiteral("Regular (2 bytes)"));
        }
        QCOMPARE(messageTexts(), QStringList());
    }
};

QTEST_MAIN(SearchDialogsTest)
#include "SearchDialogsTest.moc"
