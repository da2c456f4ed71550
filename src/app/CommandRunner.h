#pragma once
// The dialog's side of running a command: paths from what the fields hold,
// the wait cursor while the command works, its messages as boxes after (each
// box brings back the arrow itself).
#include "DialogServices.h"

#include "commands/CommandResult.h"

#include <QString>

#include <filesystem>
#include <utility>

class QWidget;

namespace quorvex::app {

[[nodiscard]] std::filesystem::path ToPath(const QString& path);

class WaitCursor {
public:
    WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
    ~WaitCursor();
};

// What command returns, worked out under the wait cursor.
template <typename Command>
auto RunWaiting(Command&& command) {
    const WaitCursor wait;
    return std::forward<Command>(command)();
}

// One box per message, owned by owner, with the icon of its severity.
void ShowMessages(DialogServices& services, QWidget* owner, const CommandResult& result);

}  // namespace quorvex::app
