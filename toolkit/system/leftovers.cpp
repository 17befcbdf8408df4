#include "toolkit/system/leftovers.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <optional>

#include "toolkit/system/os_calls.h"

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

// Whether `c` is in a class written as ranges, such as "0-9a-f".
bool inAlphabet(QChar c, const QString& alphabet) {
    for (qsizetype i = 0; i + 2 < alphabet.size(); i += 3)
        if (c >= alphabet[i] && c <= alphabet[i + 2]) return true;
    return false;
}

bool allIn(QStringView text, const QString& alphabet) {
    for (const QChar c : text)
        if (!inAlphabet(c, alphabet)) return false;
    return !text.isEmpty();
}

// A name of exactly `shape`, taken apart. Matched by hand rather than by a regular expression:
// those keep a per-thread stack that the Windows runtime frees wrongly when a worker ends.
struct ShapedName {
    qint64 pid = -1;
    QString origin;
};

std::optional<ShapedName> shapedName(const QString& name, const TemporaryShape& shape) {
    if (!name.startsWith(shape.prefix) || !name.endsWith(shape.suffix)) return std::nullopt;
    const QStringView middle = QStringView(name).mid(
        shape.prefix.size(), name.size() - shape.prefix.size() - shape.suffix.size());
    const QList<QStringView> parts = middle.split(QLatin1Char('-'));
    if (parts.size() != (shape.saysOrigin ? 3 : 2)) return std::nullopt;
    const QStringView pid = parts.front();
    const QStringView random = parts.back();
    if (pid.size() > 19 || pid.startsWith(QLatin1Char('0')) || !allIn(pid, QStringLiteral("0-9")) ||
        random.size() != shape.randomLength || !allIn(random, shape.alphabet))
        return std::nullopt;
    ShapedName shaped{pid.toLongLong(), {}};
    if (shape.saysOrigin) {
        if (parts[1].size() != 8 || !allIn(parts[1], QStringLiteral("0-9a-f"))) return std::nullopt;
        shaped.origin = parts[1].toString();
    }
    return shaped;
}

// Whether the file named `shaped` was left by a run that has ended.
bool leftByAnEndedRun(const ShapedName& shaped, const QFileInfo& file) {
    if (!shaped.origin.isEmpty() && shaped.origin == originMark())
        return shaped.pid != QCoreApplication::applicationPid() && !processMayBeRunning(shaped.pid);
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
    int removed = 0;
    // No name filter: shapedName tells the names, and a filter would take a regular expression.
    const QFileInfoList files =
        QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    for (const QFileInfo& file : files) {
        const std::optional<ShapedName> shaped = shapedName(file.fileName(), shape);
        if (!shaped || !ownedByThisUser(file) || !leftByAnEndedRun(*shaped, file)) continue;
        if (QFile::remove(file.filePath())) ++removed;
    }
    return removed;
}

}  // namespace toolkit
