#include "toolkit/system/leftovers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "toolkit/system/os_calls.h"

namespace toolkit {

qint64 processIdInName(const QString& name, const QString& prefix) {
    if (!name.startsWith(prefix)) return -1;
    const qsizetype dash = name.indexOf(QLatin1Char('-'), prefix.size());
    if (dash <= prefix.size()) return -1;
    bool isNumber = false;
    const qint64 pid = name.mid(prefix.size(), dash - prefix.size()).toLongLong(&isNumber);
    return isNumber && pid > 0 ? pid : -1;
}

int removeLeftovers(const QString& folder, const QString& prefix) {
    int removed = 0;
    // No name filter: processIdInName tells the names, and a filter would take a regular
    // expression, whose per-thread stack the Windows runtime frees wrongly when a worker ends.
    const QFileInfoList files =
        QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    for (const QFileInfo& file : files) {
        const qint64 pid = processIdInName(file.fileName(), prefix);
        if (pid < 0 || pid == QCoreApplication::applicationPid() || processMayBeRunning(pid) ||
            !ownedByThisUser(file))
            continue;
        if (QFile::remove(file.filePath())) ++removed;
    }
    return removed;
}

}  // namespace toolkit
