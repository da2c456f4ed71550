#include "PathDrop.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QWidget>

namespace quorvex::app {

namespace {

// The first file the drag carries, when it is a local file and not a folder.
QString DroppedFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls() || data->urls().isEmpty()) return {};
    const QUrl url = data->urls().first();
    if (!url.isLocalFile()) return {};
    const QString path = url.toLocalFile();
    return QFileInfo(path).isDir() ? QString() : path;
}

}  // namespace

PathDrop::PathDrop(std::initializer_list<QWidget*> row, std::function<void(const QString&)> load, QObject* parent)
    : QObject(parent), m_load(std::move(load)) {
    for (QWidget* widget : row) {
        widget->setAcceptDrops(true);
        widget->installEventFilter(this);
    }
}

bool PathDrop::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (DroppedFile(drag->mimeData()).isEmpty())
            drag->ignore();
        else
            drag->acceptProposedAction();
        // The read-only path edits would otherwise judge the drag themselves (as text).
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QString path = DroppedFile(drop->mimeData());
        if (path.isEmpty()) {
            drop->ignore();
            return true;
        }
        drop->acceptProposedAction();
        // Loading may ask or tell the user something: not while the drag's
        // source still waits for the drop to end.
        QTimer::singleShot(0, this, [this, path] { m_load(path); });
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}

}  // namespace quorvex::app
