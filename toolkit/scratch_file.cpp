#include "scratch_file.h"

#include <QDir>

#include "failure.h"
#include "system.h"

namespace toolkit {

namespace {

Failure scratchFailure(const QString& why) {
    const QString reason = QStringLiteral("no se puede escribir el archivo temporal (%1)").arg(why);
    return Failure(QStringLiteral("No se puede escribir el archivo temporal: %1").arg(why), reason);
}

}  // namespace

ScratchFile::ScratchFile(const QString& suffix)
    : file_(QDir::tempPath() + QStringLiteral("/velaria-XXXXXX") + suffix) {
    // QTemporaryFile creates the file with O_EXCL and owner-only permissions.
    if (!file_.open()) throw scratchFailure(file_.errorString());
}

void ScratchFile::close() {
    const bool written = file_.flush() && file_.error() == QFileDevice::NoError;
    const QString why = file_.errorString();
    file_.close();
    if (!written) throw scratchFailure(why);
}

void ScratchFile::remove(System& system) {
    if (file_.isOpen()) file_.close();
    system.deleteFile(file_.fileName());
    // Gone: the name must not be removed again later, whoever has taken it by then.
    file_.setAutoRemove(false);
}

}  // namespace toolkit
