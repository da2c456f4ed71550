#pragma once
#include <QFont>
#include <QRect>

class QWidget;

namespace quorvex::app {

// The dialogs' font: the desktop's own family at 8 points.
[[nodiscard]] QFont DialogFont(const QFont& desktopFont);

// Dialog units of a font: a horizontal unit is a quarter of the font's average
// character width, a vertical unit an eighth of its height, so a layout given
// in these units keeps its proportions to the text in any font. The average
// width is taken over the 52 Latin letters, rounded up at the half, the
// measure the layout's widths were made for; a font's own average (over all
// its glyphs, digits and punctuation included) runs narrower and clips labels.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    [[nodiscard]] int x(int units) const;
    [[nodiscard]] int y(int units) const;
    [[nodiscard]] QRect rect(int x, int y, int width, int height) const;

    // Places a child widget at a rectangle given in dialog units.
    void place(QWidget& widget, int x, int y, int width, int height) const;

private:
    int m_baseX;
    int m_baseY;
};

}  // namespace quorvex::app
