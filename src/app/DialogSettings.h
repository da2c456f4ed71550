#pragma once
#include "platform/CodePage.h"

#include <QSize>
#include <QString>

#include <optional>

class QSettings;

namespace quorvex::app {

// The dialog's file choosers, each of which remembers its own folder.
enum class Chooser { Table, Rom, InsertFile, RedoScript, SaveScript };

// What the dialog remembers between sessions, in the user's settings of the
// organisation and application "Quorvex" (QSettings, native format): the last
// folder of each chooser, the read mode, the window's size and the options. Nothing is
// remembered on the very first start: no folders, UTF-7, the smallest size.
// Every call reads or writes the settings at once, so a session that ends
// badly keeps what was chosen before.
class DialogSettings {
public:
    // Empty when the chooser has not been used yet.
    [[nodiscard]] QString folder(Chooser chooser) const;
    // Remembers the folder of a file the chooser gave (or that was dropped on its row).
    void rememberFolderOf(Chooser chooser, const QString& file);

    // UTF-7 when none is remembered or the remembered value is not a read mode.
    [[nodiscard]] ReadMode readMode() const;
    void setReadMode(ReadMode mode);

    struct Window {
        QSize size;  // the size when not maximised
        bool maximized = false;
    };
    [[nodiscard]] std::optional<Window> window() const;
    void setWindow(const Window& window);

    // The Options menu's "Shortest Encoding"; off when none is remembered.
    [[nodiscard]] bool shortestEncoding() const;
    void setShortestEncoding(bool on);
};

}  // namespace quorvex::app
