#include "toolkit/system/jpeg_writer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "toolkit/common/failure.h"
#include "toolkit/system/whole_file.h"

namespace toolkit {

namespace {

QString writerReason(std::int32_t code) {
    switch (code) {
        case DIJPG_ERROR_ARGUMENT:
            return QStringLiteral("la biblioteca JPG no acepta la ruta o la calidad");
        case DIJPG_ERROR_NO_SCRATCH:
            return QStringLiteral("la biblioteca JPG no ha recibido la imagen");
        case DIJPG_ERROR_READ:
            return QStringLiteral("la biblioteca JPG no ha podido leer la imagen temporal");
        case DIJPG_ERROR_ENCODE:
            return QStringLiteral("la biblioteca JPG no ha podido codificar la imagen");
        case DIJPG_ERROR_WRITE:
            return QStringLiteral("no se puede escribir en la carpeta (sin permiso o disco lleno)");
        case DIJPG_ERROR_REPLACE:
            return QStringLiteral("no se puede sustituir el archivo que ya había");
        case DIJPG_ERROR_MEMORY:
            return QStringLiteral("no hay memoria suficiente");
        case DIJPG_ERROR_TOO_LARGE:
            return QStringLiteral(
                       "la imagen es demasiado grande para un JPG (como mucho %1 píxeles por lado "
                       "y %2 millones en total)")
                .arg(DIJPG_MAX_SIDE)
                .arg(DIJPG_MAX_PIXELS / 1000000);
        default:
            return QStringLiteral("la biblioteca JPG ha devuelto el error %1").arg(code);
    }
}

}  // namespace

QString JpegWriter::libraryFileName() {
#if defined(Q_OS_WIN)
    return QStringLiteral("DIjpg.dll");
#elif defined(Q_OS_MACOS)
    return QStringLiteral("libDIjpg.dylib");
#else
    return QStringLiteral("libDIjpg.so");
#endif
}

void JpegWriter::bind(const QString& programFolder) {
    if (isBound()) return;
    const std::lock_guard lock(binding_);
    if (isBound()) return;
    const QString name = libraryFileName();
    const QString path = programFolder + QLatin1Char('/') + name;
    const auto missing = [&](const QString& reason) {
        return Failure(QStringLiteral("No se puede escribir ningún JPG: %1").arg(reason), reason);
    };
    if (QDir::isRelativePath(programFolder))
        throw missing(QStringLiteral("la carpeta del programa «%1» no es una ruta absoluta")
                          .arg(QDir::toNativeSeparators(programFolder)));
    if (!QFileInfo(path).isFile())
        throw missing(
            QStringLiteral("no se encuentra la biblioteca «%1» en la carpeta del programa")
                .arg(name));
    library_.setFileName(path);
    if (!library_.load())
        throw missing(QStringLiteral("no se puede cargar la biblioteca «%1»: está dañada o no "
                                     "es para este sistema")
                          .arg(name));
    const auto find = [&](const char* function) {
        QFunctionPointer found = library_.resolve(function);
        if (!found)
            throw missing(QStringLiteral("la biblioteca «%1» no tiene la función «%2»")
                              .arg(name, QLatin1String(function)));
        return found;
    };
    writeJpgDated_ = reinterpret_cast<DIWriteJpgDatedFunction>(find(DIJPG_WRITE_JPG_DATED_NAME));
}

std::error_code JpegWriter::write(const QString& scratch, const QString& destination,
                                  std::int32_t quality, std::int32_t progressive,
                                  const PhotoDate& date, const FileTime& time) {
    const QFileInfo info(destination);
    const auto failed = [&](const QString& why) {
        return Failure(QStringLiteral("No se puede escribir «%1» en la carpeta «%2»: %3")
                           .arg(info.fileName(), info.absoluteDir().dirName(), why),
                       QStringLiteral("no se puede escribir «%1»: %2").arg(info.fileName(), why));
    };
    if (!isBound()) throw failed(QStringLiteral("la biblioteca JPG no está cargada"));
    const QByteArray scratchPath = systemPath(scratch);
    const DIPhotoDate fields{date.taken.constData(), date.subSeconds.constData(),
                             date.offset.constData()};
    // The writer replaces the new file beside the output; the output's own name is taken only
    // once that file is whole, the same way as every output.
    return writeFileWholeAt(
        destination,
        [&](const QString& temporary) {
            systemPath(destination);  // a name the file system could not be given is refused
            const QByteArray into = systemPath(temporary);
            const std::int32_t result =
                writeJpgDated_.load()(scratchPath.constData(), into.constData(), quality,
                                      progressive, date.isEmpty() ? nullptr : &fields);
            if (result != DIJPG_OK) throw failed(writerReason(result));
        },
        failed, time);
}

QByteArray systemPath(const QString& path) {
    const QString native = QDir::toNativeSeparators(path);
    const QByteArray bytes = QFile::encodeName(native);
    if (QFile::decodeName(bytes) != native)
        throw Failure(QStringLiteral("La ruta «%1» tiene caracteres que el sistema no admite aquí")
                          .arg(native),
                      QStringLiteral("la ruta tiene caracteres que el sistema no admite aquí"));
    return bytes;
}

}  // namespace toolkit
