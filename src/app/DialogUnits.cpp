#include "DialogUnits.h"

#include <QFont>
#include <QFontMetrics>
#include <QWidget>

#include <algorithm>

namespace quorvex::app {

namespace {

int Scale(int units, int base, int divisor) { return (units * base + divisor / 2) / divisor; }

}  // namespace

QFont DialogFont(const QFont& desktopFont) {
    QFont font = desktopFont;
    font.setPointSize(8);
    return font;
}

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_baseX = std::max(1, (letters / 26 + 1) / 2);
    m_baseY = std::max(1, metrics.height());
}

int DialogUnits::x(int units) const { return Scale(units, m_baseX, 4); }
int DialogUnits::y(int units) const { return Scale(units, m_baseY, 8); }

QRect DialogUnits::rect(int x, int y, int width, int height) const {
    return {this->x(x), this->y(y), this->x(width), this->y(height)};
}

void DialogUnits::place(QWidget& widget, int x, int y, int width, int height) const {
    widget.setGeometry(rect(x, y, width, height));
}

}  // namespace quorvex::app
