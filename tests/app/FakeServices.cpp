#include "FakeServices.h"

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTest>

namespace quorvex::app::test {

namespace {

std::optional<Qt::CursorShape> CurrentCursor() {
    if (const QCursor* cursor = QApplication::overrideCursor()) return cursor->shape();
    return std::nullopt;
}

QPushButton* Button(QDialog& dialog, const char* name) { return dialog.findChild<QPushButton*>(QLatin1String(name)); }

}  // namespace

FakeServices::FakeServices() {
    for (const auto scope : {QSettings::UserScope, QSettings::SystemScope})
        QSettings::setPath(QSettings::NativeFormat, scope, m_settings.path());
}

void FakeServices::message(QWidget*, const QString& text, const QString& caption, QMessageBox::Icon icon) {
    messages.push_back({text, caption, CurrentCursor(), icon});
}

bool FakeServices::question(QWidget*, const QString& text, const QString& caption) {
    questions.push_back({text, caption, CurrentCursor()});
    if (answers.empty()) return false;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
}

QString FakeServices::openFile(QWidget*, const QString& filter, const QString& folder) {
    filters.push_back(filter);
    folders.push_back(folder);
    if (files.empty()) return {};
    QString path = files.front();
    files.pop_front();
    return path;
}

QString FakeServices::saveFile(QWidget*, const QString& filter, const QString& path) {
    filters.push_back(filter);
    proposed.push_back(path);
    if (files.empty()) return {};
    QString chosen = files.front();
    files.pop_front();
    return chosen;
}

int FakeServices::exec(QDialog& dialog) {
    dialogTitles.push_back(dialog.windowTitle());
    if (dialogs.empty()) return QDialog::Rejected;
    const DialogHandler handler = dialogs.front();
    dialogs.pop_front();
    dialog.setResult(-1);
    const int result = handler(dialog);
    dialog.hide();
    return result;
}

namespace {

// Shows the picker, lets `act` drive it and returns the code it ended with.
FakeServices::DialogHandler Drive(std::function<void(QDialog&)> act) {
    return [act = std::move(act)](QDialog& dialog) {
        dialog.show();
        act(dialog);
        return dialog.result();
    };
}

// Where a user clicks to reach a row of the picker's list.
std::pair<QWidget*, QPoint> RowSpot(QDialog& dialog, int row) {
    auto* list = dialog.findChild<QListWidget*>(QStringLiteral("list1026"));
    list->scrollToItem(list->item(row));
    return {list->viewport(), list->visualItemRect(list->item(row)).center()};
}

}  // namespace

FakeServices::DialogHandler ClickRowThenOk(int row) {
    return Drive([row](QDialog& dialog) {
        const auto [viewport, at] = RowSpot(dialog, row);
        QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
        QTest::mouseClick(Button(dialog, "button1"), Qt::LeftButton);
    });
}

FakeServices::DialogHandler PressOk() {
    return Drive([](QDialog& dialog) { QTest::keyClick(&dialog, Qt::Key_Return); });
}

FakeServices::DialogHandler PressCancel() {
    return Drive([](QDialog& dialog) { QTest::mouseClick(Button(dialog, "button2"), Qt::LeftButton); });
}

FakeServices::DialogHandler PressEscape() {
    return Drive([](QDialog& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); });
}

FakeServices::DialogHandler DoubleClickRow(int row) {
    return Drive([row](QDialog& dialog) {
        // What a mouse sends: a click, then the second press as a double-click, then its release.
        const auto [viewport, at] = RowSpot(dialog, row);
        QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, at);
    });
}

FakeServices::DialogHandler Inspect(std::function<void(QDialog&)> inspect, FakeServices::DialogHandler then) {
    return [inspect = std::move(inspect), then = std::move(then)](QDialog& dialog) {
        inspect(dialog);
        return then(dialog);
    };
}

}  // namespace quorvex::app::test
