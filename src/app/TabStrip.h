#pragma once
#include <QTabBar>

namespace quorvex::app {

// A tab strip whose tabs are drawn as push buttons of one fixed width; the
// selected tab is the pressed button.
class TabStrip final : public QTabBar {
    Q_OBJECT
public:
    explicit TabStrip(QWidget* parent = nullptr);

    void setItemWidth(int pixels);
    [[nodiscard]] int itemWidth() const { return m_itemWidth; }

protected:
    [[nodiscard]] QSize tabSizeHint(int index) const override;
    [[nodiscard]] QSize minimumTabSizeHint(int index) const override;
    void paintEvent(QPaintEvent* event) override;

private:
    int m_itemWidth = 100;
};

}  // namespace quorvex::app
