#include "toolkit/system/folders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "toolkit/common/failure.h"

#ifdef Q_OS_UNIX
#include <limits.h>
#include <unistd.h>
#endif

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

QString pathTooLong(const QString& path) {
#ifdef Q_OS_UNIX
    const QFileInfo info(path);
    const QByteArray whole = QFile::encodeName(info.absoluteFilePath());
    const QByteArray name = QFile::encodeName(info.fileName());
    const long nameMax =
        ::pathconf(QFile::encodeName(info.absolutePath()).constData(), _PC_NAME_MAX);
    if (nameMax > 0 && name.size() > nameMax)
        return QStringLiteral(
                   "el nombre es demasiado largo para el sistema (%1 bytes; como mucho %2)")
            .arg(name.size())
            .arg(nameMax);
    if (whole.size() >= PATH_MAX)
        return QStringLiteral(
                   "la ruta es demasiado larga para el sistema (%1 bytes; como mucho %2)")
            .arg(whole.size())
            .arg(PATH_MAX - 1);
#else
    Q_UNUSED(path);
#endif
    return {};
}

}  // namespace toolkit
