#include "toolkit/system/whole_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <filesystem>
#include <system_error>

#include "toolkit/common/failure.h"
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
        file.setFileName(folder + kTemporaryPrefix +
                         QString::number(QCoreApplication::applicationPid()) + QLatin1Char('-') +
                         QString::number(QRandomGenerator::global()->generate64(), 16) +
                         QStringLiteral(".tmp"));
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) return;
        if (!file.exists()) break;
    }
    throw failed(writeFailure(file));
}

// Puts the complete temporary file in the output's place. A rename replaces whatever stands
// there, a link included, without following it.
void replaceWith(const QString& temporary, const QString& path, const FailureWithReason& failed) {
    if (!replaceFile(temporary, path)) return;
    QFile::remove(temporary);
    throw failed(QStringLiteral("no se puede sustituir el archivo que ya había"));
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
    if (const QString tooLong = pathTooLong(path); !tooLong.isEmpty()) throw failed(tooLong);
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
    const std::error_code undated = giveModificationTime(file.fileName(), time);
    replaceWith(file.fileName(), path, failed);
    return undated;
}

std::error_code writeFileWholeAt(const QString& path,
                                 const std::function<void(const QString&)>& write,
                                 const FailureWithReason& failed, const FileTime& time) {
    if (const QString tooLong = pathTooLong(path); !tooLong.isEmpty()) throw failed(tooLong);
    QFile file;
    createTemporaryBeside(path, file, failed);
    file.close();
    try {
        write(file.fileName());
    } catch (...) {
        file.remove();
        throw;
    }
    const std::error_code undated = giveModificationTime(file.fileName(), time);
    replaceWith(file.fileName(), path, failed);
    return undated;
}

int removeStaleTemporaries(const QString& folder) {
    return removeLeftovers(folder, kTemporaryPrefix) +
           removeLeftovers(folder, QStringLiteral(".dijpg-"));
}

}  // namespace toolkit
