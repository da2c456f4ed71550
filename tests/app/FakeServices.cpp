#include "FakeServices.h"

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace quorvex::app::test {

namespace {

std::optional<Qt::CursorShape> CurrentCursor() {
    if (const QCursor* cursor = QApplication::overrideCursor()) return cursor->shape();
    return std::nullopt;
}

QPushButton* Button(QDialog& dialog, const char* name) { return dialog.findChild<QPushButton*>(QLatin1String(name)); }

}  // namespace

void FakeServices::message(QWidget*, const QString& text, const QString& caption) {
    messages.push_back({text, caption, CurrentCursor()});
}

bool FakeServices::question(QWidget*, const QString& text, const QString& caption) {
    questions.push_back({text, caption, CurrentCursor()});
    if (answers.empty()) return false;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
}

QString FakeServices::openFile(QWidget*, const QString& filter) {
    filters.push_back(filter);
    if (files.empty()) return {};
    QString path = files.front();
    files.pop_front();
    return path;
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

FakeServices::DialogHandler ClickRowThenOk(int row) {
    return [row](QDialog& dialog) {
        dialog.show();
        auto* list = dialog.findChild<QListWidget*>(QStringLiteral("list1026"));
        list->scrollToItem(list->item(row));
        const QRect rect = list->visualItemRect(list->item(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
        QTest::mouseClick(Button(dialog, "button1"), Qt::LeftButton);
        return dialog.result();
    };
}

FakeServices::DialogHandler PressOk() {
    return [](QDialog& dialog) {
        dialog.show();
        QTest::keyClick(&dialog, Qt::Key_Return);
        return dialog.result();
    };
}

FakeServices::DialogHandler PressCancel() {
    return [](QDialog& dialog) {
        dialog.show();
        QTest::mouseClick(Button(dialog, "button2"), Qt::LeftButton);
        return dialog.result();
    };
}

FakeServices::DialogHandler PressEscape() {
    return [](QDialog& dialog) {
        dialog.show();
        QTest::keyClick(&dialog, Qt::Key_Escape);
        return dialog.result();
    };
}

FakeServices::DialogHandler DoubleClickRow(int row) {
    return [row](QDialog& dialog) {
        dialog.show();
        auto* list = dialog.findChild<QListWidget*>(QStringLiteral("list1026"));
        list->scrollToItem(list->item(row));
        const QRect rect = list->visualItemRect(list->item(row));
        // What a mouse sends: a click, then the second press as a double-click, then its release.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, rect.center());
        return dialog.result();
    };
}

FakeServices::DialogHandler Inspect(std::function<void(QDialog&)> inspect, FakeServices::DialogHandler then) {
    return [inspect = std::move(inspect), then = std::move(then)](QDialog& dialog) {
        inspect(dialog);
        return then(dialog);
    };
}

}  // namespace quorvex::app::test
