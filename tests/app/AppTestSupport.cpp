#include "AppTestSupport.h"

#include "TabStrip.h"

#include <QAbstractButton>
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

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

const std::set<int>& AllControls() {
    static const std::set<int> ids = [] {
        std::set<int> all;
        for (int id = 1000; id <= 1032; ++id) all.insert(id);
        return all;
    }();
    return ids;
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

void Pick(CQuorvexDlg& dialog, FakeServices& services, int button, FakeServices::DialogHandler handler) {
    services.dialogs.push_back(std::move(handler));
    Click(dialog, button);
}

void TriggerMenu(CQuorvexDlg& dialog, const char* objectName) {
    auto* action = dialog.findChild<QAction*>(QLatin1String(objectName));
    QVERIFY2(action != nullptr, objectName);
    action->trigger();
}

QString Output(const CQuorvexDlg& dialog) { return dialog.outputText(); }

void SetOutput(CQuorvexDlg& dialog, const QString& text) {
    auto* output = qobject_cast<QPlainTextEdit*>(dialog.control(CQuorvexDlg::kEditOutput));
    QVERIFY(output != nullptr);
    output->setPlainText(text);
}

}  // namespace quorvex::app::test
