#include "folders.h"

#include <QDir>
#include <QFileInfo>

#include "failure.h"

namespace toolkit {

void makeWritableFolder(const QString& path) {
    const auto failed = [&](const QString& why) {
        const QString reason = QStringLiteral("%1 «%2»").arg(why, QDir::toNativeSeparators(path));
        return Failure(reason.left(1).toUpper() + reason.mid(1), reason);
    };
    const QFileInfo info(path);
    if (info.exists() && !info.isDir())
        throw failed(QStringLiteral("hay un archivo con el nombre de la carpeta"));
    if (!info.exists() && !QDir().mkpath(path))
        throw failed(QStringLiteral("no se puede crear la carpeta"));
    if (!QFileInfo(path).isWritable())
        throw failed(QStringLiteral("no hay permiso para escribir en la carpeta"));
}

}  // namespace toolkit
