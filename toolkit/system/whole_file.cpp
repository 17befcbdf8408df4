#include "toolkit/system/whole_file.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include "toolkit/common/failure.h"
#include "toolkit/system/file_errors.h"
#include "toolkit/system/folders.h"

namespace toolkit {

QString fileAndFolder(const QString& path) {
    const QFileInfo info(path);
    return QStringLiteral("«%1» en la carpeta «%2»")
        .arg(info.fileName(), info.absoluteDir().dirName());
}

void writeFileWhole(const QString& path, const std::function<bool(QIODevice&)>& write) {
    const QString where = fileAndFolder(path);
    const auto failed = [&](const QString& why) {
        const QString reason = QStringLiteral("no se puede guardar %1: %2").arg(where, why);
        return Failure(QStringLiteral("No se puede guardar %1: %2").arg(where, why), reason);
    };
    if (const QString tooLong = pathTooLong(path); !tooLong.isEmpty()) throw failed(tooLong);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) throw failed(writeFailure(file));
    if (!write(file)) {
        const QString why = writeFailure(file);
        file.cancelWriting();
        throw failed(why);
    }
    if (!file.commit()) throw failed(writeFailure(file));
}

}  // namespace toolkit
