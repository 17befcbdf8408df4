#include "toolkit/system/leftovers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace toolkit {

namespace {

// True unless the process is known to be gone. Where that cannot be told, nothing is removed.
bool processMayBeRunning(qint64 pid) {
#ifdef Q_OS_UNIX
    if (pid <= 0 || pid != qint64(pid_t(pid))) return true;
    return ::kill(pid_t(pid), 0) == 0 || errno != ESRCH;
#else
    Q_UNUSED(pid);
    return true;
#endif
}

bool ownedByThisUser(const QFileInfo& file) {
#ifdef Q_OS_UNIX
    return file.ownerId() == ::getuid();
#else
    Q_UNUSED(file);
    return true;
#endif
}

}  // namespace

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
    const QFileInfoList files = QDir(folder).entryInfoList(
        {prefix + QStringLiteral("*-*")}, QDir::Files | QDir::Hidden | QDir::NoSymLinks);
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
