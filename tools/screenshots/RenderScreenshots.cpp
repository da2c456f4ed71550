// Draws the README's pictures of the dialog into docs/ (`make screenshots`):
// the demo extracted, then its saved script measured by Check Insert.
#include "AppTestSupport.h"

#include <QDir>
#include <QImage>
#include <QTest>

using namespace quorvex::app;
using namespace quorvex::app::test;
using Dlg = CQuorvexDlg;

namespace {

void Render(QWidget& widget, const QString& name) {
    const QString path = QDir(QStringLiteral(QUORVEX_RENDER_DIR)).filePath(name);
    QVERIFY2(widget.grab().toImage().save(path), qPrintable(path));
}

}  // namespace

class RenderScreenshots : public QObject {
    Q_OBJECT

private slots:
    void demo() {
        FakeServices services;
        CQuorvexDlg dialog(&services);
        // A folder of a fixed name, so the pictures change only when the dialog does.
        QDir demo(QDir::temp().filePath(QStringLiteral("quorvex-demo")));
        QVERIFY(demo.removeRecursively() && demo.mkpath(QStringLiteral(".")));
        const auto copy = [&](const QString& name) {
            QFile::copy(QStringLiteral(QUORVEX_SOURCE_DIR "/examples/") + name, demo.filePath(name));
            return demo.filePath(name);
        };
        dialog.resize(dialog.minimumSize() + QSize(0, 120));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        services.chooseFile(copy(QStringLiteral("demo.tbl")));
        Click(dialog, Dlg::kButtonBrowseTable);
        services.chooseFile(copy(QStringLiteral("demo.bin")));
        Click(dialog, Dlg::kButtonBrowseRom);
        for (const auto& [id, text] : {std::pair{Dlg::kEditTableStart, "10"}, {Dlg::kEditTableEnd, "37"},
                                       {Dlg::kEditTextStart, "100"}, {Dlg::kEditTextEnd, "293"}})
            TypeInto(dialog, id, QString::fromLatin1(text));
        Click(dialog, Dlg::kButtonGo);
        Render(dialog, QStringLiteral("dialog-extract.png"));

        services.chooseFile(demo.filePath(QStringLiteral("demo.txt")));
        dialog.OnSaveScript();
        ClickTab(dialog, 2);
        Click(dialog, Dlg::kButtonGo);
        QVERIFY(Output(dialog).endsWith(QStringLiteral("The text fits perfectly!")));
        Render(dialog, QStringLiteral("dialog-check-insert.png"));
        demo.removeRecursively();
    }
};

QTEST_MAIN(RenderScreenshots)
#include "RenderScreenshots.moc"
