#pragma once
#include "DialogServices.h"

#include <QApplication>
#include <QDialog>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace quorvex::app::test {

// Stands in for every modal thing the dialogs start: records each message box
// and question, answers choosers and questions from queues, and runs each
// small dialog through a handler the test queued (which drives its widgets).
// It also points the user's settings (QSettings) at a folder of its own, so
// each test starts as on a first start and dialogs built on one fake share them.
class FakeServices final : public DialogServices {
public:
    struct Box {
        QString text;
        QString caption;
        std::optional<Qt::CursorShape> cursor;  // the override cursor while the box was up
        QMessageBox::Icon icon = QMessageBox::Question;
    };
    using DialogHandler = std::function<int(QDialog&)>;

    FakeServices() {
        for (const auto scope : {QSettings::UserScope, QSettings::SystemScope})
            QSettings::setPath(QSettings::NativeFormat, scope, m_settings.path());
    }

    void message(QWidget*, const QString& text, const QString& caption, QMessageBox::Icon icon) override {
        messages.push_back({text, caption, CurrentCursor(), icon});
    }
    [[nodiscard]] bool question(QWidget*, const QString& text, const QString& caption) override {
        questions.push_back({text, caption, CurrentCursor()});
        const bool answer = !answers.empty() && answers.front();
        if (!answers.empty()) answers.pop_front();
        return answer;
    }
    [[nodiscard]] QString openFile(QWidget*, const QString& filter, const QString& folder) override {
        filters.push_back(filter);
        folders.push_back(folder);
        return nextFile();
    }
    [[nodiscard]] QString saveFile(QWidget*, const QString& filter, const QString& path) override {
        filters.push_back(filter);
        proposed.push_back(path);
        return nextFile();
    }
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
    std::deque<bool> answers;           // No when empty
    std::deque<QString> files;          // Cancel when empty
    QStringList filters;                // the filter of every chooser opened
    QStringList folders;                // the folder every open chooser started in
    QStringList proposed;               // the path every save chooser proposed
    std::deque<DialogHandler> dialogs;  // Cancel when empty
    QStringList dialogTitles;           // the caption of every dialog run

private:
    static std::optional<Qt::CursorShape> CurrentCursor() {
        if (const QCursor* cursor = QApplication::overrideCursor()) return cursor->shape();
        return std::nullopt;
    }
    QString nextFile() {
        if (files.empty()) return {};
        QString path = files.front();
        files.pop_front();
        return path;
    }
    QTemporaryDir m_settings;
};

// Handlers for the picker and the About box: each shows the dialog, acts on it
// like a user and returns the code the dialog ended with.
[[nodiscard]] FakeServices::DialogHandler ClickRowThenOk(int row);
[[nodiscard]] FakeServices::DialogHandler DoubleClickRow(int row);
[[nodiscard]] FakeServices::DialogHandler PressKey(Qt::Key key);  // Return is OK, Escape is Cancel
[[nodiscard]] FakeServices::DialogHandler PressCancel();
// Runs `inspect` on the open dialog first, then `then`.
[[nodiscard]] FakeServices::DialogHandler Inspect(std::function<void(QDialog&)> inspect,
                                                  FakeServices::DialogHandler then);

}  // namespace quorvex::app::test
