#include "toolkit/system/leftovers.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSysInfo>

#ifdef Q_OS_UNIX
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace toolkit {

const TemporaryShape kOutputTemporary{QStringLiteral(".velaria-"), true, QStringLiteral("0-9a-f"),
                                      16, QStringLiteral(".tmp")};
const TemporaryShape kWriterTemporary{QStringLiteral(".dijpg-"), false, QStringLiteral("0-9a-f"),
                                      16, QStringLiteral(".tmp")};
const TemporaryShape kScratchTemporary{QStringLiteral("velaria-"), true, QStringLiteral("A-Za-z"),
                                       6, QStringLiteral(".bmp")};

namespace {

// A file made elsewhere is taken for a killed run's once nobody has written to it for this long.
constexpr qint64 kForeignLeftoverSeconds = 24 * 60 * 60;

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

// What tells this process's surroundings from any other's that could share a folder with it: the
// boot (another machine, or this one restarted) and the process namespace (a container), whose
// process ids are not ours to judge.
QByteArray surroundings() {
#ifdef Q_OS_LINUX
    QFile boot(QStringLiteral("/proc/sys/kernel/random/boot_id"));
    if (boot.open(QIODevice::ReadOnly)) {
        const QByteArray id = boot.read(64).trimmed();
        const QString space = QFile::symLinkTarget(QStringLiteral("/proc/self/ns/pid"));
        if (!id.isEmpty()) return id + '/' + QFile::encodeName(space);
    }
#endif
    return QSysInfo::machineHostName().toUtf8();
}

QRegularExpression patternOf(const TemporaryShape& shape) {
    const QString origin = shape.saysOrigin ? QStringLiteral("(?<origin>[0-9a-f]{8})-") : QString();
    return QRegularExpression(QStringLiteral("^%1(?<pid>[1-9][0-9]{0,18})-%2[%3]{%4}%5$")
                                  .arg(QRegularExpression::escape(shape.prefix), origin,
                                       shape.alphabet, QString::number(shape.randomLength),
                                       QRegularExpression::escape(shape.suffix)));
}

// Whether the file named `match` was left by a run that has ended.
bool leftByAnEndedRun(const QRegularExpressionMatch& match, const QFileInfo& file) {
    const qint64 pid = match.captured(QStringLiteral("pid")).toLongLong();
    if (match.captured(QStringLiteral("origin")) == originMark())
        return pid != QCoreApplication::applicationPid() && !processMayBeRunning(pid);
    return file.lastModified().secsTo(QDateTime::currentDateTime()) > kForeignLeftoverSeconds;
}

}  // namespace

QString originMark() {
    static const QString mark = QString::fromLatin1(
        QCryptographicHash::hash(surroundings(), QCryptographicHash::Sha256).left(4).toHex());
    return mark;
}

QString TemporaryShape::nameFor(const QString& random) const {
    const QString origin = saysOrigin ? originMark() + QLatin1Char('-') : QString();
    return prefix + QString::number(QCoreApplication::applicationPid()) + QLatin1Char('-') +
           origin + random + suffix;
}

int removeLeftovers(const QString& folder, const TemporaryShape& shape) {
    const QRegularExpression pattern = patternOf(shape);
    int removed = 0;
    const QFileInfoList files =
        QDir(folder).entryInfoList({shape.prefix + QLatin1Char('*') + shape.suffix},
                                   QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    for (const QFileInfo& file : files) {
        const QRegularExpressionMatch match = pattern.match(file.fileName());
        if (!match.hasMatch() || !ownedByThisUser(file) || !leftByAnEndedRun(match, file)) continue;
        if (QFile::remove(file.filePath())) ++removed;
    }
    return removed;
}

}  // namespace toolkit
