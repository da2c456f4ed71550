#include "DialogServices.h"

#include "TypeLists.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace quorvex::app {

namespace {

// A command may be showing the wait cursor; a box that waits for the user
// shows the arrow while it is up.
class ArrowCursor {
public:
    ArrowCursor() : m_active(QApplication::overrideCursor() != nullptr) {
        if (m_active) QApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    ArrowCursor(const ArrowCursor&) = delete;
    ArrowCursor& operator=(const ArrowCursor&) = delete;
    ~ArrowCursor() {
        if (m_active) QApplication::restoreOverrideCursor();
    }

private:
    bool m_active;
};

}  // namespace

QMessageBox::Icon IconFor(Severity severity) {
    switch (severity) {
    case Severity::Information: return QMessageBox::Information;
    case Severity::Warning: return QMessageBox::Warning;
    case Severity::Critical: return QMessageBox::Critical;
    }
    return QMessageBox::Warning;
}

void QtDialogServices::message(QWidget* owner, const QString& text, const QString& caption, QMessageBox::Icon icon) {
    const ArrowCursor arrow;
    QMessageBox box(icon, caption, DisplayText(text), QMessageBox::Ok, owner);
    box.exec();
}

bool QtDialogServices::question(QWidget* owner, const QString& text, const QString& caption) {
    const ArrowCursor arrow;
    QMessageBox box(QMessageBox::Question, caption, DisplayText(text), QMessageBox::Yes | QMessageBox::No, owner);
    return box.exec() == QMessageBox::Yes;
}

QString QtDialogServices::openFile(QWidget* owner, const QString& filter, const QString& folder) {
    const ArrowCursor arrow;
    return QFileDialog::getOpenFileName(owner, QString(), folder, filter);
}

QString QtDialogServices::saveFile(QWidget* owner, const QString& filter, const QString& proposed) {
    const ArrowCursor arrow;
    return QFileDialog::getSaveFileName(owner, QString(), proposed, filter);
}

int QtDialogServices::exec(QDialog& dialog) {
    const ArrowCursor arrow;
    return dialog.exec();
}

bool DialogPrompt::askYesNo(std::u16string_view text) {
    return m_services.question(m_owner, ToQString(text), kAppName);
}

QString ToQString(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

std::u16string ToU16(const QString& text) { return text.toStdU16String(); }

}  // namespace quorvex::app
