#pragma once
#include "DialogServices.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace quorvex::app::test {

// Stands in for every modal thing the dialogs start: records each message box
// and question, answers choosers and questions from queues, and runs each
// small dialog through a handler the test queued (which drives its widgets).
class FakeServices final : public DialogServices {
public:
    struct Box {
        QString text;
        QString caption;
        std::optional<Qt::CursorShape> cursor;  // the override cursor while the box was up
    };
    using DialogHandler = std::function<int(QDialog&)>;

    void message(QWidget* owner, const QString& text, const QString& caption) override;
    [[nodiscard]] bool question(QWidget* owner, const QString& text, const QString& caption) override;
    [[nodiscard]] QString openFile(QWidget* owner, const QString& filter) override;
    int exec(QDialog& dialog) override;

    // Queues the chooser's next answer; an empty text is Cancel.
    void chooseFile(const QString& path) { files.push_back(path); }
    void cancelChooser() { files.push_back(QString()); }
    [[nodiscard]] QStringList messageTexts() const {
        QStringList texts;
        for (const Box& box : messages) texts << box.text;
        return texts;
    }

    std::vector<Box> messages;
    std::vector<Box> questions;
    std::deque<bool> answers;          // No when empty
    std::deque<QString> files;         // Cancel when empty
    QStringList filters;               // the filter of every chooser opened
    std::deque<DialogHandler> dialogs;  // Cancel when empty
    QStringList dialogTitles;           // the caption of every dialog run
};

// Handlers for the picker: each shows the dialog, acts on it like a user and
// returns the code the dialog ended with.
[[nodiscard]] FakeServices::DialogHandler ClickRowThenOk(int row);
[[nodiscard]] FakeServices::DialogHandler PressOk();
[[nodiscard]] FakeServices::DialogHandler PressCancel();
[[nodiscard]] FakeServices::DialogHandler PressEscape();
[[nodiscard]] FakeServices::DialogHandler DoubleClickRow(int row);
// Runs `inspect` on the open dialog first, then `then`.
[[nodiscard]] FakeServices::DialogHandler Inspect(std::function<void(QDialog&)> inspect,
                                                  FakeServices::DialogHandler then);

}  // namespace quorvex::app::test
