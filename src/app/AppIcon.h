#pragma once
#include <QIcon>
#include <QPixmap>

namespace quorvex::app {

// The application icon: a game cartridge whose label carries lines of text,
// drawn here at 16 and 32 pixels in a 16-colour palette.
[[nodiscard]] QPixmap AppIconPixmap(int size);
[[nodiscard]] QIcon AppIcon();

}  // namespace quorvex::app
