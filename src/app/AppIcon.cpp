#include "AppIcon.h"

#include <QImage>
#include <QPainter>

namespace quorvex::app {

namespace {

// Colours of the classic 16-colour palette.
const QColor kBlack(0x00, 0x00, 0x00);
const QColor kDarkGrey(0x80, 0x80, 0x80);
const QColor kGrey(0xC0, 0xC0, 0xC0);
const QColor kWhite(0xFF, 0xFF, 0xFF);
const QColor kNavy(0x00, 0x00, 0x80);
const QColor kRed(0xFF, 0x00, 0x00);
const QColor kYellow(0xFF, 0xFF, 0x00);
const QColor kOlive(0x80, 0x80, 0x00);

// Drawn on a 32 by 32 grid; every coordinate is even, so the half-size picture
// stays on whole pixels.
void DrawCartridge(QPainter& p) {
    // Body with its outline and a grip notch on both sides.
    p.fillRect(4, 2, 24, 28, kBlack);
    p.fillRect(6, 4, 20, 24, kDarkGrey);
    p.fillRect(4, 12, 2, 4, QColor(Qt::transparent));
    p.fillRect(26, 12, 2, 4, QColor(Qt::transparent));
    // The label: a white card with three lines of text and a red cursor.
    p.fillRect(8, 6, 16, 14, kBlack);
    p.fillRect(8, 6, 14, 12, kWhite);
    p.fillRect(10, 8, 10, 2, kNavy);
    p.fillRect(10, 12, 6, 2, kNavy);
    p.fillRect(16, 10, 2, 6, kRed);
    // The edge connector with its gold contacts.
    p.fillRect(8, 24, 16, 6, kBlack);
    for (int x = 10; x < 22; x += 4) {
        p.fillRect(x, 26, 2, 4, kYellow);
        p.fillRect(x + 2, 26, 2, 4, kOlive);
    }
    p.fillRect(6, 22, 20, 2, kGrey);
}

}  // namespace

QPixmap AppIconPixmap(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.scale(size / 32.0, size / 32.0);
    DrawCartridge(painter);
    painter.end();
    return QPixmap::fromImage(image);
}

QIcon AppIcon() {
    QIcon icon;
    icon.addPixmap(AppIconPixmap(16));
    icon.addPixmap(AppIconPixmap(32));
    return icon;
}

}  // namespace quorvex::app
