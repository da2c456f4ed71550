#include "TabStrip.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace quorvex::app {

TabStrip::TabStrip(QWidget* parent) : QTabBar(parent) {
    setExpanding(false);
    setDrawBase(false);
    setUsesScrollButtons(false);
    setElideMode(Qt::ElideRight);
}

void TabStrip::setItemWidth(int pixels) {
    m_itemWidth = pixels;
    updateGeometry();
    update();
}

QSize TabStrip::tabSizeHint(int index) const { return {m_itemWidth, QTabBar::tabSizeHint(index).height()}; }

QSize TabStrip::minimumTabSizeHint(int index) const { return tabSizeHint(index); }

void TabStrip::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    for (int i = 0; i < count(); ++i) {
        QStyleOptionButton option;
        option.initFrom(this);
        option.rect = tabRect(i).adjusted(0, 0, -2, 0);
        option.text = tabText(i);
        option.state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver);
        if (i == currentIndex()) {
            option.state |= QStyle::State_Sunken | QStyle::State_On;
            if (hasFocus()) option.state |= QStyle::State_HasFocus;
        } else {
            option.state |= QStyle::State_Raised;
        }
        painter.drawControl(QStyle::CE_PushButton, option);
    }
}

}  // namespace quorvex::app
