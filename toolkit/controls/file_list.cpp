#include "file_list.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

#include "../failure.h"

#ifdef Q_OS_UNIX
#include <filesystem>
#include <system_error>
#endif

namespace toolkit {

namespace {

// Qt passes over the files whose names are not valid text in the system's encoding: on Linux a
// name is any bytes. Those files are listed too, with replacement characters where the bytes are
// not text, so that the run can say it cannot convert them instead of missing them in silence.
QStringList namesQtCannotList(const QString& folder) {
    QStringList names;
#ifdef Q_OS_UNIX
    namespace fs = std::filesystem;
    std::error_code error;
    fs::directory_iterator entry(QFile::encodeName(folder).toStdString(), error);
    for (; !error && entry != fs::directory_iterator(); entry.increment(error)) {
        const std::string raw = entry->path().filename().native();
        const QByteArray bytes(raw.data(), qsizetype(raw.size()));
        if (bytes.startsWith('.') || QFile::encodeName(QFile::decodeName(bytes)) == bytes) continue;
        std::error_code notFile;
        if (entry->is_regular_file(notFile)) names << QFile::decodeName(bytes);
    }
#else
    Q_UNUSED(folder);
#endif
    return names;
}

}  // namespace

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
    QStringList names = dir.entryList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QString& name : namesQtCannotList(folder)) {
        const auto before = [](const QString& a, const QString& b) {
            return a.compare(b, Qt::CaseInsensitive) < 0;
        };
        names.insert(std::lower_bound(names.begin(), names.end(), name, before), name);
    }
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
