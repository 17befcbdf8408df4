#include "toolkit/system/file_errors.h"

#include <QFileDevice>
#include <cerrno>

namespace toolkit {

QString readFailure(int systemError) {
    switch (systemError) {
        case ENOENT:
            return QStringLiteral("el archivo no existe");
        case EACCES:
        case EPERM:
            return QStringLiteral("no hay permiso para leerlo");
        case EISDIR:
            return QStringLiteral("no es un archivo");
        case ELOOP:
            return QStringLiteral("es un enlace que no lleva a ningún archivo");
        case ENAMETOOLONG:
            return QStringLiteral("la ruta es demasiado larga para el sistema");
        case EMFILE:
        case ENFILE:
            return QStringLiteral("hay demasiados archivos abiertos");
        case ENOMEM:
            return QStringLiteral("no hay memoria suficiente");
        case EIO:
            return QStringLiteral("error del disco al leer el archivo");
        default:
            return QStringLiteral("el sistema no deja leer el archivo (error %1)").arg(systemError);
    }
}

QString writeFailure(const QIODevice& device) {
    const auto* file = qobject_cast<const QFileDevice*>(&device);
    switch (file ? file->error() : QFileDevice::UnspecifiedError) {
        case QFileDevice::ResourceError:
            return QStringLiteral("no queda espacio en el disco");
        case QFileDevice::PermissionsError:
            return QStringLiteral("no hay permiso para escribir el archivo");
        case QFileDevice::OpenError:
            return QStringLiteral(
                "no se puede crear el archivo (no hay permiso en la carpeta o la carpeta ya no "
                "existe)");
        default:
            return QStringLiteral(
                "no se ha podido escribir el archivo entero (disco lleno o sin permiso)");
    }
}

QString removeFailure(bool stillThere) {
    return stillThere ? QStringLiteral("no hay permiso para borrarlo o está en uso")
                      : QStringLiteral("el archivo ya no existe");
}

}  // namespace toolkit
