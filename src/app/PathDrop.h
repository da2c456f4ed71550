#pragma once
#include <QObject>
#include <QString>

#include <functional>
#include <initializer_list>

class QWidget;

namespace quorvex::app {

// Lets a path row take a file dragged onto any of its widgets (its label, its
// edit, its Browse button): a drag that carries a local file, not a folder, is
// accepted there, and dropping it hands the file's path to the row's loader,
// which loads it as the row's chooser would, once the drop has ended. Other
// drags are refused.
class PathDrop final : public QObject {
public:
    PathDrop(std::initializer_list<QWidget*> row, std::function<void(const QString&)> load, QObject* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void(const QString&)> m_load;
};

}  // namespace quorvex::app
