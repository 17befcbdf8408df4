#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <optional>

#include "app/form1.h"

namespace {

// The first item dragged, when it is a file or folder on this machine; only it counts.
std::optional<QFileInfo> firstLocalItem(const QMimeData* dragged) {
    if (!dragged || !dragged->hasUrls()) return std::nullopt;
    const QList<QUrl> urls = dragged->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile()) return std::nullopt;
    QFileInfo item(urls.first().toLocalFile());
    if (!item.exists()) return std::nullopt;
    return item;
}

// The window only reads what is dropped: a move would have the file manager delete the
// originals once the drop is taken. A copy, or else a link, leaves them where they are.
std::optional<Qt::DropAction> readingAction(Qt::DropActions offered) {
    if (offered & Qt::CopyAction) return Qt::CopyAction;
    if (offered & Qt::LinkAction) return Qt::LinkAction;
    return std::nullopt;
}

// Takes the drag (as a copy or link) when its first item can be listed and no run goes on;
// otherwise leaves it refused, without a word.
std::optional<QFileInfo> takeDrag(QDropEvent* event, bool running) {
    event->ignore();
    const std::optional<QFileInfo> item = firstLocalItem(event->mimeData());
    const std::optional<Qt::DropAction> action = readingAction(event->possibleActions());
    if (running || !item || !action) return std::nullopt;
    event->setDropAction(*action);
    event->accept();
    return item;
}

}  // namespace

void Form1::dragEnterEvent(QDragEnterEvent* event) {
    takeDrag(event, running_);
}

void Form1::dragMoveEvent(QDragMoveEvent* event) {
    takeDrag(event, running_);
}

void Form1::dropEvent(QDropEvent* event) {
    const std::optional<QFileInfo> item = takeDrag(event, running_);
    if (!item) return;
    const QString path = item->absoluteFilePath();
    if (!item->isDir())
        listFolderOf(path, item->fileName());
    else
        listFolderOf(path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/'), QString());
}
