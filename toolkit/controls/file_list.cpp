#include "file_list.h"

#include <QDir>
#include <QFileInfo>

#include "../failure.h"

namespace toolkit {

FileList::FileList(QWidget* parent) : QListWidget(parent), Geometry(this) {
    path_ = QDir::currentPath();
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Selection, not the current row: the list makes its first row current when it merely gets
    // the focus, and that must not preview anything.
    connect(this, &QListWidget::itemSelectionChanged, this, [this] {
        if (listIndex() >= 0) emit clicked();
    });
}

void FileList::setPath(const QString& folder) {
    const QFileInfo info(folder);
    if (!info.isDir() || !info.isReadable())
        throw Failure(QStringLiteral("No se puede abrir la carpeta «%1»").arg(folder));
    fill(folder);
    path_ = folder;
}

void FileList::refresh() {
    // A folder that has gone away since shows as empty rather than failing.
    if (QFileInfo(path_).isDir())
        fill(path_);
    else
        clear();
}

void FileList::fill(const QString& folder) {
    const QDir dir(folder);
    const QStringList names = dir.entryList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    QSignalBlocker quiet(this);
    clear();
    addItems(names.mid(0, 32767));
    setCurrentRow(-1);
}

std::int16_t FileList::listCount() const {
    return static_cast<std::int16_t>(count());
}

QString FileList::list(std::int16_t index) const {
    const QListWidgetItem* entry = item(index);
    if (!entry) throw Failure(QStringLiteral("Índice de lista no válido: %1").arg(index));
    return entry->text();
}

std::int16_t FileList::listIndex() const {
    // The selected entry, not the current one: a list has a current row as soon as it has the
    // focus, before the user selects anything.
    const QModelIndexList selected = selectionModel()->selectedRows();
    return selected.isEmpty() ? std::int16_t(-1)
                              : static_cast<std::int16_t>(selected.first().row());
}

}  // namespace toolkit
