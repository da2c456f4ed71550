// The whole job through the dialog on the demo ROM: extract, keep the script
// as a file, edit it, insert it, extract again, and check it.
#include "AppTestSupport.h"
#include "FakeServices.h"
#include "QuorvexDlg.h"

#include "job/Messages.h"

#include <QTest>

using namespace quorvex;
using namespace quorvex::app;
using namespace quorvex::app::test;
using Dlg = CQuorvexDlg;

class DialogRoundTripTest : public QObject {
    Q_OBJECT

private slots:
    void extractEditInsertCheck() {
        FakeServices services;
        CQuorvexDlg dialog(&services);
        dialog.show();
        TestFolder folder;
        const QString rom = folder.copyExample(QStringLiteral("demo.rom"));
        const QString table = folder.copyExample(QStringLiteral("demo.tbl"));
        const QByteArray original = ReadAll(rom);

        // Extract.
        services.chooseFile(table);
        Click(dialog, Dlg::kButtonBrowseTable);
        services.chooseFile(rom);
        Click(dialog, Dlg::kButtonBrowseRom);
        TypeInto(dialog, Dlg::kEditTableStart, QStringLiteral("10"));
        TypeInto(dialog, Dlg::kEditTableEnd, QStringLiteral("37"));
        TypeInto(dialog, Dlg::kEditTextStart, QStringLiteral("100"));
        TypeInto(dialog, Dlg::kEditTextEnd, QStringLiteral("2ff"));
        Click(dialog, Dlg::kButtonGo);
        QCOMPARE(services.messages.size(), std::size_t{1});
        QCOMPARE(services.messages[0].text, ToQString(messages::kDone));
        const QString script = Output(dialog);
        QVERIFY2(script.contains(QStringLiteral("Welcome to Quillhaven!")), qPrintable(script));
        QVERIFY2(script.contains(QStringLiteral("[Hero], you look tired.")), qPrintable(script));
        QVERIFY2(script.contains(QStringLiteral("<7E>The miller waves.")), qPrintable(script));

        // The unchanged script goes back in byte for byte.
        const QString scriptFile = folder.write(QStringLiteral("demo-script.txt"), script.toUtf8());
        ClickTab(dialog, 1);
        services.chooseFile(scriptFile);
        Click(dialog, Dlg::kButtonBrowseInsert);
        SetOutput(dialog, QStringLiteral("the script was here"));
        services.messages.clear();
        Click(dialog, Dlg::kButtonGo);
        QVERIFY(services.questions.empty());
        QVERIFY(!services.messages.empty());
        QVERIFY2(services.messages.back().text.startsWith(QStringLiteral("You ended with ")),
                 qPrintable(services.messages.back().text));
        QVERIFY(Output(dialog).isEmpty());
        QCOMPARE(ReadAll(rom), original);

        // Edit the text as the user does in the kept file, insert, extract again.
        QString edited = script;
        edited.replace(QStringLiteral("Welcome to Quillhaven!"), QStringLiteral("Hello, Quorvex!"));
        edited.replace(QStringLiteral("Rest here?"), QStringLiteral("Stay the night?"));
        folder.write(QStringLiteral("demo-script.txt"), edited.toUtf8());
        services.chooseFile(scriptFile);
        Click(dialog, Dlg::kButtonBrowseInsert);
        services.messages.clear();
        Click(dialog, Dlg::kButtonGo);
        QVERIFY(!services.messages.empty());
        QVERIFY(services.messages.back().text.contains(QStringLiteral("left over")));
        const QByteArray inserted = ReadAll(rom);
        QVERIFY(inserted != original);
        QCOMPARE(inserted.size(), original.size());

        ClickTab(dialog, 0);
        services.messages.clear();
        Click(dialog, Dlg::kButtonGo);
        const QString again = Output(dialog);
        QVERIFY2(again.contains(QStringLiteral("Hello, Quorvex!")), qPrintable(again));
        QVERIFY(again.contains(QStringLiteral("Stay the night?")));
        QVERIFY(!again.contains(QStringLiteral("Quillhaven")));
        for (const QString& kept : {QStringLiteral("The lamps are lit at dusk."), QStringLiteral("Nothing happens."),
                                    QStringLiteral("[Hero] found a brass key!"), QStringLiteral("The end of the road.")})
            QVERIFY2(again.contains(kept), qPrintable(kept));

        // Check Insert measures the edited file without touching the ROM.
        ClickTab(dialog, 2);
        Click(dialog, Dlg::kButtonGo);
        const QString report = Output(dialog);
        QVERIFY2(report.startsWith(QStringLiteral("Text Starts at 100 and ends at 2FF (512 bytes)\r\n")),
                 qPrintable(report));
        QVERIFY2(report.contains(QStringLiteral("Done.\r\n\r\nTotal length: ")), qPrintable(report));
        QVERIFY(report.endsWith(QStringLiteral("bytes under the original text limit!")));
        QCOMPARE(ReadAll(rom), inserted);

        // And Test measures one line through the same table.
        TypeInto(dialog, Dlg::kEditTestText, QStringLiteral("[Hero]!"));
        Click(dialog, Dlg::kButtonTest);
        QVERIFY2(Output(dialog).endsWith(QStringLiteral("You are 4 bytes under the original text limit!")),
                 qPrintable(Output(dialog)));
    }
};

QTEST_MAIN(DialogRoundTripTest)
#include "DialogRoundTripTest.moc"
