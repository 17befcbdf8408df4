#include "toolkit/system/scratch_file.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

#include "toolkit/common/failure.h"
#include "toolkit/system/file_errors.h"
#include "toolkit/system/leftovers.h"
#include "toolkit/system/system.h"

namespace toolkit {

namespace {

Failure scratchFailure(const QString& why) {
    const QString reason = QStringLiteral("no se puede escribir el archivo temporal (%1)").arg(why);
    return Failure(QStringLiteral("No se puede escribir el archivo temporal: %1").arg(why), reason);
}

// Where scratch files go: the temporary folder the user names; otherwise storage held in
// memory where the system offers it with room to spare, since every JPEG passes through a
// scratch file and a disk would only add writes that are deleted again at once; otherwise the
// system's temporary folder.
QString scratchFolder() {
    if (!qEnvironmentVariableIsEmpty("TMPDIR")) return QDir::tempPath();
#ifdef Q_OS_UNIX
    constexpr qint64 kRoomToSpare = 256LL * 1024 * 1024;
    for (const QString& memory :
         {qEnvironmentVariable("XDG_RUNTIME_DIR"), QStringLiteral("/dev/shm")}) {
        if (memory.isEmpty()) continue;
        const QFileInfo folder(memory);
        if (folder.isDir() && folder.isWritable() &&
            QStorageInfo(memory).bytesAvailable() >= kRoomToSpare)
            return folder.absoluteFilePath();
    }
#endif
    return QDir::tempPath();
}

// The name QTemporaryFile makes unique, in the shape a later start knows for the program's own.
QString scratchTemplate(const QString& suffix) {
    TemporaryShape shape = kScratchTemporary;
    shape.suffix = suffix;
    return scratchFolder() + QLatin1Char('/') + shape.nameFor(QStringLiteral("XXXXXX"));
}

}  // namespace

ScratchFile::ScratchFile(const QString& suffix) : file_(scratchTemplate(suffix)) {
    // Once per program start: what a killed run of this program left behind goes now.
    static const int cleaned = removeStaleScratchFiles();
    Q_UNUSED(cleaned);
    // QTemporaryFile creates the file with O_EXCL and owner-only permissions.
    if (!file_.open()) throw scratchFailure(writeFailure(file_));
}

void ScratchFile::close() {
    const bool written = file_.flush() && file_.error() == QFileDevice::NoError;
    const QString why = writeFailure(file_);
    file_.close();
    if (!written) throw scratchFailure(why);
}

void ScratchFile::remove(System& system) {
    if (file_.isOpen()) file_.close();
    system.deleteFile(file_.fileName());
    // Gone: the name must not be removed again later, whoever has taken it by then.
    file_.setAutoRemove(false);
}

int removeStaleScratchFiles() {
    return removeLeftovers(scratchFolder(), kScratchTemporary);
}

}  // namespace toolkit
