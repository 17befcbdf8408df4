#include "toolkit/controls/file_list.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <vector>

#include "toolkit/common/failure.h"
#include "toolkit/system/os_calls.h"

namespace toolkit {

FileList::FileList(QWidget* parent) : QListWidget(parent), Geometry(this) {
    path_ = QDir::currentPath();
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Every entry is one line of text: laid out once rather than entry by entry, a list of a
    // hundred thousand files shows at once.
    setUniformItemSizes(true);
    // Selection, not the current row: the list makes its first row current when it merely gets
    // the focus, and that must not preview anything.
    connect(this, &QListWidget::itemSelectionChanged, this, [this] {
        if (listIndex() >= 0) emit clicked();
    });
}

void FileList::setPath(const QString& folder) {
    const QFileInfo info(folder);
    if (!info.isDir() || !info.isReadable())
        throw Failure(QStringLiteral("No se puede abrir la carpeta «%1»")
                          .arg(QDir::toNativeSeparators(folder)));
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
    // By name, whatever the case; names alike but for case in a fixed order.
    struct Sorted {
        QString key, name;
    };
    std::vector<Sorted> sorted;
    const QStringList found = regularFileNames(folder);
    sorted.reserve(size_t(found.size()));
    for (const QString& name : found) sorted.push_back({name.toCaseFolded(), name});
    std::sort(sorted.begin(), sorted.end(), [](const Sorted& a, const Sorted& b) {
        const int byKey = a.key.compare(b.key);
        return byKey != 0 ? byKey < 0 : a.name < b.name;
    });
    QStringList names;
    names.reserve(qsizetype(sorted.size()));
    for (Sorted& entry : sorted) names << std::move(entry.name);
    QSignalBlocker quiet(this);
    clear();
    addItems(names);
    setCurrentRow(-1);
}

int FileList::listCount() const {
    return count();
}

QString FileList::list(int index) const {
    const QListWidgetItem* entry = item(index);
    if (!entry) throw Failure(QStringLiteral("Índice de lista no válido: %1").arg(index));
    return entry->text();
}

int FileList::listIndex() const {
    // The selected entry, not the current one: a list has a current row as soon as it has the
    // focus, before the user selects anything.
    const QModelIndexList selected = selectionModel()->selectedRows();
    return selected.isEmpty() ? -1 : selected.first().row();
}

}  // namespace toolkit
