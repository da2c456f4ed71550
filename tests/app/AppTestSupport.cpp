#include "AppTestSupport.h"

#include "TabStrip.h"

#include <QAbstractButton>
#include <QAction>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTest>
#include <QUrl>

namespace quorvex::app::test {

TestFolder::TestFolder() { QVERIFY2(m_dir.isValid(), "no temporary folder"); }

QString TestFolder::write(const QString& name, const QByteArray& bytes) const {
    const QString file = path(name);
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size()) qFatal("cannot write %s", qPrintable(file));
    return file;
}

QString TestFolder::copyExample(const QString& name) const {
    const QString source = QStringLiteral(QUORVEX_SOURCE_DIR "/examples/") + name;
    return write(name, ReadAll(source));
}

QByteArray ReadAll(const QString& path) {
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly)) qFatal("cannot read %s", qPrintable(path));
    return in.readAll();
}

QByteArray Script(const QByteArray& body, int textEnd) {
    return "Table Start:\t0\r\nTable End:\t0\r\nText Start:\t0\r\nText End:\t" + QByteArray::number(textEnd, 16) +
           "\r\nXOffset:\t0\r\n\r\nTable Type:\t0\r\nText Type:\t0\r\n-----------------\r\n" + body;
}

std::set<int> AllControls() {
    std::set<int> all;
    for (int id = CQuorvexDlg::kRadioHex; id <= CQuorvexDlg::kComboMap; ++id) all.insert(id);
    return all;
}

std::set<int> ShownControls(const CQuorvexDlg& dialog) {
    std::set<int> shown;
    for (const int id : AllControls())
        if (const QWidget* widget = dialog.control(id); widget != nullptr && !widget->isHidden()) shown.insert(id);
    return shown;
}

QString ControlText(const CQuorvexDlg& dialog, int id) {
    const QWidget* widget = dialog.control(id);
    if (const auto* edit = qobject_cast<const QLineEdit*>(widget)) return edit->text();
    if (const auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->text();
    return {};
}

void TypeInto(CQuorvexDlg& dialog, int id, const QString& text) {
    auto* edit = qobject_cast<QLineEdit*>(dialog.control(id));
    QVERIFY(edit != nullptr);
    edit->clear();
    QTest::keyClicks(edit, text);
}

void ClickTab(CQuorvexDlg& dialog, int index) {
    auto* tabs = qobject_cast<TabStrip*>(dialog.control(CQuorvexDlg::kTabStrip));
    QVERIFY(tabs != nullptr);
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(index).center());
    QCOMPARE(tabs->currentIndex(), index);
}

void Click(CQuorvexDlg& dialog, int id) {
    auto* button = qobject_cast<QAbstractButton*>(dialog.control(id));
    QVERIFY(button != nullptr);
    QVERIFY2(!button->isHidden(), "the button is hidden");
    QTest::mouseClick(button, Qt::LeftButton);
}

void TriggerMenu(CQuorvexDlg& dialog, const char* objectName) {
    auto* action = dialog.findChild<QAction*>(QLatin1String(objectName));
    QVERIFY2(action != nullptr, objectName);
    action->trigger();
}

void SetOutput(CQuorvexDlg& dialog, const QString& text) {
    auto* output = qobject_cast<QPlainTextEdit*>(dialog.control(CQuorvexDlg::kEditOutput));
    QVERIFY(output != nullptr);
    output->setPlainText(text);
}

bool DropFile(QWidget* widget, const QString& path) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    const QPointF at = QRectF(widget->rect()).center();
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(widget, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(widget, &drop);
    // The row loads the file once the drop is over.
    QCoreApplication::processEvents();
    return drop.isAccepted();
}

void DialogFixture::open() {
    services = std::make_unique<FakeServices>();
    dialog = std::make_unique<CQuorvexDlg>(services.get());
    folder = std::make_unique<TestFolder>();
    dialog->show();
}

void DialogFixture::close() {
    dialog.reset();
    services.reset();
    folder.reset();
}

void DialogFixture::loadTable(const QByteArray& bytes, const QString& name) {
    services->chooseFile(folder->write(name, bytes));
    Click(*dialog, CQuorvexDlg::kButtonBrowseTable);
    QVERIFY(dialog->charTable() != nullptr);
}

void DialogFixture::loadInsertFile(const QString& name, const QByteArray& bytes) {
    // The Browse button is on the Insert tabs; come back to where the test was.
    const int tab = dialog->selectedTab();
    if (tab == 0) ClickTab(*dialog, 1);
    services->chooseFile(folder->write(name, bytes));
    Click(*dialog, CQuorvexDlg::kButtonBrowseInsert);
    QVERIFY(dialog->insertText() != nullptr);
    if (tab == 0) ClickTab(*dialog, 0);
}

void DialogFixture::chooseRom(const QString& path) {
    services->chooseFile(path);
    Click(*dialog, CQuorvexDlg::kButtonBrowseRom);
}

void DialogFixture::pickTable(FakeServices::DialogHandler handler) {
    services->dialogs.push_back(std::move(handler));
    Click(*dialog, CQuorvexDlg::kButtonPickTableType);
}

void DialogFixture::pickText(FakeServices::DialogHandler handler) {
    services->dialogs.push_back(std::move(handler));
    Click(*dialog, CQuorvexDlg::kButtonPickTextType);
}

QString DialogFixture::useTinyRom(const QByteArray& table) {
    QByteArray rom(0x20, '\0');
    rom.replace(0, table.size(), table);
    rom.replace(0x10, 5, QByteArray("AB\xEE" "D\xEE"));
    const QString path = folder->write(QStringLiteral("tiny.bin"), rom);
    chooseRom(path);
    loadTable("41=A\r\n42=B\r\n44=D\r\nEE=[END]\r\n");
    return path;
}

void DialogFixture::extractTinyRom() {
    useTinyRom(QByteArray("\x10\x80\x13\x80", 4));
    const std::pair<int, const char*> typed[] = {{CQuorvexDlg::kEditTableStart, "0"}, {CQuorvexDlg::kEditTableEnd, "3"},
                                                 {CQuorvexDlg::kEditTextStart, "10"}, {CQuorvexDlg::kEditTextEnd, "14"},
                                                 {CQuorvexDlg::kEditXOffset, "-8000"}};
    for (const auto& [id, text] : typed) TypeInto(*dialog, id, QString::fromLatin1(text));
    Click(*dialog, CQuorvexDlg::kButtonGo);
}

}  // namespace quorvex::app::test
