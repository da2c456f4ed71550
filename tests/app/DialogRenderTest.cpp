// Renders the dialog on each tab, the picker and the About box to PNG files
// in the build folder, for a person to look at.
#include "AppIcon.h"
#include "AppTestSupport.h"
#include "FakeServices.h"
#include "QuorvexDlg.h"
#include "SelectDlg.h"
#include "AboutDlg.h"

#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include <set>

using namespace quorvex::app;
using namespace quorvex::app::test;
using Dlg = CQuorvexDlg;

namespace {

const QString kRenderDir = QStringLiteral(QUORVEX_RENDER_DIR);

// Saves the widget's picture and checks it holds a drawn window, not a blank.
void Render(QWidget& widget, const QString& name) {
    const QImage image = widget.grab().toImage();
    QCOMPARE(image.size(), widget.size() * widget.devicePixelRatio());
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3) colours.insert(image.pixel(x, y));
    QVERIFY2(colours.size() > 3, qPrintable(name));
    const QString path = QDir(kRenderDir).filePath(name);
    QVERIFY(image.save(path));
    QVERIFY(QFileInfo(path).size() > 0);
}

}  // namespace

class DialogRenderTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(QDir().mkpath(kRenderDir)); }

    void eachTab() {
        // The demo extraction, as a user sees it after GO.
        FakeServices services;
        CQuorvexDlg dialog(&services);
        TestFolder folder;
        services.chooseFile(folder.copyExample(QStringLiteral("demo.tbl")));
        dialog.OnBrowseTable();
        services.chooseFile(folder.copyExample(QStringLiteral("demo.rom")));
        dialog.OnBrowseRom();
        qobject_cast<QLineEdit*>(dialog.control(Dlg::kEditTableStart))->setText(QStringLiteral("10"));
        qobject_cast<QLineEdit*>(dialog.control(Dlg::kEditTableEnd))->setText(QStringLiteral("37"));
        qobject_cast<QLineEdit*>(dialog.control(Dlg::kEditTextStart))->setText(QStringLiteral("100"));
        qobject_cast<QLineEdit*>(dialog.control(Dlg::kEditTextEnd))->setText(QStringLiteral("2FF"));
        dialog.OnGo();
        QCOMPARE(services.messages.size(), std::size_t{1});
        QVERIFY(Output(dialog).contains(QStringLiteral("Welcome to Quillhaven!")));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        Render(dialog, QStringLiteral("dialog-extract.png"));
        ClickTab(dialog, 1);
        Render(dialog, QStringLiteral("dialog-insert.png"));
        ClickTab(dialog, 2);
        Render(dialog, QStringLiteral("dialog-check-insert.png"));

        // The Extract tab with the shared row, as a Huffman text type shows it.
        services.dialogs.push_back(ClickRowThenOk(1));
        ClickTab(dialog, 0);
        Click(dialog, Dlg::kButtonPickTextType);
        Render(dialog, QStringLiteral("dialog-extract-huffman.png"));
    }

    void picker() {
        CSelectDlg picker;
        picker.setTableList(true);
        picker.OnInitDialog();
        picker.show();
        QVERIFY(QTest::qWaitForWindowExposed(&picker));
        Render(picker, QStringLiteral("dialog-select.png"));
        // A long description, wrapped, with its blank line.
        picker.findChild<QListWidget*>(QStringLiteral("list1026"))->setCurrentRow(2);
        Render(picker, QStringLiteral("dialog-select-scattered.png"));
    }

    void aboutBox() {
        CAboutDlg about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        Render(about, QStringLiteral("dialog-about.png"));
    }

    void icon() {
        for (const int size : {16, 32}) {
            const QPixmap pixmap = AppIconPixmap(size);
            QCOMPARE(pixmap.size(), QSize(size, size));
            QVERIFY(pixmap.toImage().scaled(size * 8, size * 8).save(
                QDir(kRenderDir).filePath(QStringLiteral("icon-%1.png").arg(size))));
        }
        QCOMPARE(AppIcon().availableSizes().size(), 2);
    }
};

QTEST_MAIN(DialogRenderTest)
#include "DialogRenderTest.moc"
