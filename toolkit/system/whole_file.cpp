#include "toolkit/system/whole_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <system_error>

#include "toolkit/common/failure.h"
#include "toolkit/system/durable_file.h"
#include "toolkit/system/file_errors.h"
#include "toolkit/system/folders.h"
#include "toolkit/system/leftovers.h"
#include "toolkit/system/os_calls.h"

namespace toolkit {

namespace {

Failure saveFailure(const QString& path, const QString& why) {
    const QString where = fileAndFolder(path);
    return Failure(QStringLiteral("No se puede guardar %1: %2").arg(where, why),
                   QStringLiteral("no se puede guardar %1: %2").arg(where, why));
}

// A new, empty file of its own beside `path`, open for writing. NewOnly creates it exclusively:
// a name that is taken (by a file or a link) is never opened, another one is tried.
void createTemporaryBeside(const QString& path, QFile& file, const FailureWithReason& failed) {
    const QString folder = QFileInfo(path).absolutePath() + QLatin1Char('/');
    for (int attempt = 0; attempt < 64; ++attempt) {
        file.setFileName(folder +
                         kOutputTemporary.nameFor(QStringLiteral("%1").arg(
                             QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'))));
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) return;
        if (!file.exists()) break;
    }
    throw failed(writeFailure(file));
}

// What stands at the output's name, refused when the user has made it read-only: that file is
// theirs to keep.
ReplacedFile replaceableAt(const QString& path, const FailureWithReason& failed) {
    if (const QString tooLong = pathTooLong(path); !tooLong.isEmpty()) throw failed(tooLong);
    const ReplacedFile replaced = replacedFileAt(path);
    if (replaced.writeProtected) throw failed(QStringLiteral("está protegido contra escritura"));
    return replaced;
}

// Puts the complete temporary file in the output's place: given the source's time and the
// replaced file's permissions, and on the disk, before it takes the name. A rename replaces
// whatever stands there, a link included, without following it. Says why the time could not be
// given.
std::error_code replaceWith(const QString& temporary, const QString& path,
                            const ReplacedFile& replaced, const FileTime& time,
                            const FailureWithReason& failed) {
    const std::error_code undated = giveModificationTime(temporary, time);
    if (const QString why = settleNewFile(temporary, replaced); !why.isEmpty()) {
        QFile::remove(temporary);
        throw failed(why);
    }
    if (replaceFile(temporary, path)) {
        QFile::remove(temporary);
        throw failed(QStringLiteral("no se puede sustituir el archivo que ya había"));
    }
    flushFolder(QFileInfo(path).absolutePath());
    return undated;
}

}  // namespace

QString fileAndFolder(const QString& path) {
    const QFileInfo info(path);
    return QStringLiteral("«%1» en la carpeta «%2»")
        .arg(info.fileName(), info.absoluteDir().dirName());
}

std::error_code writeFileWhole(const QString& path, const std::function<bool(QIODevice&)>& write,
                               const FileTime& time) {
    const auto failed = [&](const QString& why) { return saveFailure(path, why); };
    const ReplacedFile replaced = replaceableAt(path, failed);
    QFile file;
    createTemporaryBeside(path, file, failed);
    const bool filled = write(file) && file.flush();
    QString why = writeFailure(file);
    file.close();
    if (filled && file.error() != QFileDevice::NoError) why = writeFailure(file);
    if (!filled || file.error() != QFileDevice::NoError) {
        file.remove();
        throw failed(why);
    }
    return replaceWith(file.fileName(), path, replaced, time, failed);
}

std::error_code writeFileWholeAt(const QString& path,
                                 const std::function<void(const QString&)>& write,
                                 const FailureWithReason& failed, const FileTime& time) {
    const ReplacedFile replaced = replaceableAt(path, failed);
    QFile file;
    createTemporaryBeside(path, file, failed);
    file.close();
    try {
        write(file.fileName());
    } catch (...) {
        file.remove();
        throw;
    }
    // The writer has put a file of its own at the temporary name: that is the one flushed.
    return replaceWith(file.fileName(), path, replaced, time, failed);
}

int removeStaleTemporaries(const QString& folder) {
    return removeLeftovers(folder, kOutputTemporary) + removeLeftovers(folder, kWriterTemporary);
}

}  // namespace toolkit
