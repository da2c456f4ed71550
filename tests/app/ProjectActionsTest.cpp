// The File menu's translation items driven as a user drives them: each
// chooser answered, the files written checked, the boxes and the report read.
#include "AppTestSupport.h"

#include "job/Messages.h"

#include <QAction>
#include <QTest>

using namespace quorvex;
using namespace quorvex::app;
using namespace quorvex::app::test;

namespace {

// The tiny ROM of the fixture: two pointers at 0 to "AB" and "D" at 0x10.
QByteArray TinyRom(const QByteArray& text) {
    QByteArray rom(0x20, '\0');
    rom.replace(0, 4, QByteArray("\x10\x80\x13\x80", 4));
    rom.replace(0x10, text.size(), text);
    return rom;
}

}  // namespace

class ProjectActionsTest : public QObject, DialogFixture {
    Q_OBJECT

private slots:
    void init() { open(); }
    void cleanup() { close(); }

    void buildProjectPutsItsReportInTheOutputBox() {
        folder->write(QStringLiteral("tiny.bin"), TinyRom("AB\xEE" "D\xEE"));
        folder->write(QStringLiteral("t.tbl"), "41=A\r\n42=B\r\n44=D\r\nEE=[END]\r\n");
        folder->write(QStringLiteral("s.txt"), kTinyScript.toUtf8().replace("AB[END]", "BA[END]"));
        services->chooseFile(folder->write(QStringLiteral("p.toml"), "rom = \"tiny.bin\"\noutput = \"out.bin\"\n"
                                                                      "[[job]]\nscript = \"s.txt\"\ntable = \"t.tbl\"\n"));
        TriggerMenu(*dialog, "actionBuildProject");
        QCOMPARE(services->messageTexts(), QStringList{QStringLiteral("Done")});
        QCOMPARE(Output(*dialog), QStringLiteral("s.txt\r\n    You ended with 0 bytes left over from the original text "
                                                 "limit!\r\nWrote %1 (32 bytes).\r\n")
                                      .arg(folder->path(QStringLiteral("out.bin"))));
        QCOMPARE(ReadAll(folder->path(QStringLiteral("out.bin"))), TinyRom("BA\xEE" "D\xEE"));
    }

    // Make Patch (its proposed name) writes a patch with which Apply Patch turns
    // the original into the modified ROM; a ROM it was not made for is refused.
    void aPatchMadeThenAppliedGivesBackTheModifiedRom() {
        const QByteArray original = TinyRom("AB"), modified = TinyRom("BA");
        const QString a = folder->write(QStringLiteral("a.bin"), original), b = folder->write(QStringLiteral("b.bin"), modified);
        const QString patch = folder->path(QStringLiteral("b.bps"));
        for (const QString& chosen : {a, b, patch}) services->chooseFile(chosen);
        TriggerMenu(*dialog, "actionMakePatch");
        QCOMPARE(services->proposed, QStringList{patch});
        for (const QString& rom : {b, a}) {
            for (const QString& chosen : {patch, rom, folder->path(QStringLiteral("out.bin"))}) services->chooseFile(chosen);
            TriggerMenu(*dialog, "actionApplyPatch");
        }
        QCOMPARE(services->proposed.last(), b);
        QCOMPARE(services->messages.size(), std::size_t{3});
        QVERIFY(services->messages[0].text.startsWith(QStringLiteral("Wrote ")));
        QVERIFY(services->messages[1].text.startsWith(QStringLiteral("The patch was made for another ROM")));
        QCOMPARE(services->messages[1].icon, QMessageBox::Warning);
        QCOMPARE(ReadAll(folder->path(QStringLiteral("out.bin"))), modified);
    }

    void fixChecksumShowsTheLineAndAsksBeforeWriting() {
        // A Game Boy header whose checksums are all zero: E7 and 036E are right.
        QByteArray rom(0x8000, '\0');
        rom.replace(0x104, 4, "\xCE\xED\x66\x66");
        const QString path = folder->write(QStringLiteral("game.gb"), rom);
        const QString wrong = QStringLiteral("gb: stored 00/0000, computed E7/036E, wrong");
        for (const bool answer : {false, true}) {
            services->chooseFile(path);
            services->answers.push_back(answer);
            TriggerMenu(*dialog, "actionFixChecksum");
            QCOMPARE(services->questions.back().text, ToQString(messages::FixChecksumQuestion(ToU16(wrong))));
            QCOMPARE(ReadAll(path) == rom, !answer);
        }
        QCOMPARE(services->messageTexts(), QStringList{QStringLiteral("gb: stored 00/0000, computed E7/036E, fixed")});
        QCOMPARE(ReadAll(path).mid(0x14D, 3), QByteArray("\xE7\x03\x6E"));
    }

    // Options > Shortest Encoding: remembered by the next session, and then
    // Check Insert and Test measure the fewest bytes ("A" + "BCD", not "AB" + "C" + "D").
    void shortestEncodingIsRememberedAndAppliesToCheckInsertAndTest() {
        const auto shortest = [this] { return dialog->findChild<QAction*>(QStringLiteral("actionShortestEncoding")); };
        QVERIFY(shortest()->isCheckable() && !shortest()->isChecked());
        TriggerMenu(*dialog, "actionShortestEncoding");
        dialog = std::make_unique<CQuorvexDlg>(services.get());
        dialog->show();
        QVERIFY(shortest()->isChecked());
        loadTable("41=A\r\n42=B\r\n43=C\r\n44=D\r\nF0=AB\r\nF1=BCD\r\n");
        const auto saves = [](int bytes) {
            return QStringLiteral("\r\nShortest encoding: %1 bytes fewer than longest match.").arg(bytes);
        };
        loadInsertFile(QStringLiteral("s.txt"), Script("ABCD", 1));
        ClickTab(*dialog, 2);
        Click(*dialog, CQuorvexDlg::kButtonGo);
        QVERIFY2(Output(*dialog).endsWith(QStringLiteral("The text fits perfectly!") + saves(1)), qPrintable(Output(*dialog)));
        TypeInto(*dialog, CQuorvexDlg::kEditTestText, QStringLiteral("ABCDABCD"));
        Click(*dialog, CQuorvexDlg::kButtonTest);
        QVERIFY(Output(*dialog).contains(QStringLiteral("Total length: 4 (x4)")) && Output(*dialog).endsWith(saves(2)));
    }
};

QTEST_MAIN(ProjectActionsTest)
#include "ProjectActionsTest.moc"
