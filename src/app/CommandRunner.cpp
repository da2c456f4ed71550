#include "CommandRunner.h"

#include <QApplication>

namespace quorvex::app {

std::filesystem::path ToPath(const QString& path) {
    return {path.toStdU16String()};
}

WaitCursor::WaitCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

WaitCursor::~WaitCursor() {
    QApplication::restoreOverrideCursor();
}

void ShowMessages(DialogServices& services, QWidget* owner, const CommandResult& result) {
    for (const Message& message : result.messages)
        services.message(owner, ToQString(message.text), kAppName, IconFor(message.severity));
}

}  // namespace quorvex::app
