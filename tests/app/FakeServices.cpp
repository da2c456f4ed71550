#include "FakeServices.h"

#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace quorvex::app::test {

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

// Shows the dialog, lets `act` drive it and returns the code it ended with.
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
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("button1")), Qt::LeftButton);
    });
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

FakeServices::DialogHandler PressKey(Qt::Key key) {
    return Drive([key](QDialog& dialog) { QTest::keyClick(&dialog, key); });
}

FakeServices::DialogHandler PressCancel() {
    return Drive([](QDialog& dialog) {
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("button2")), Qt::LeftButton);
    });
}

FakeServices::DialogHandler Inspect(std::function<void(QDialog&)> inspect, FakeServices::DialogHandler then) {
    return [inspect = std::move(inspect), then = std::move(then)](QDialog& dialog) {
        inspect(dialog);
        return then(dialog);
    };
}

}  // namespace quorvex::app::test
