#include "convert/batch/program_folder_check.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTemporaryFile>

namespace convert {

namespace {

// What is wrong with one output folder, as the first half of a sentence; empty when nothing is.
QString folderProblem(const QString& programFolder, const QString& folder) {
    const QString path = programFolder + QLatin1Char('/') + folder;
    const QString shown = QDir::toNativeSeparators(path);
    const QFileInfo info(path);
    if (info.exists() && !info.isDir()) return QStringLiteral("«%1» no es una carpeta").arg(shown);
    if (info.isDir()) {
        QTemporaryFile probe(path + QStringLiteral("/.velaria-prueba-XXXXXX"));
        return probe.open() ? QString()
                            : QStringLiteral("no se puede escribir en la carpeta «%1»").arg(shown);
    }
    // Missing: the run needs it made, so the program folder must take a new folder.
    const QTemporaryDir probe(programFolder + QStringLiteral("/.velaria-prueba-XXXXXX"));
    return probe.isValid() ? QString()
                           : QStringLiteral("no se puede crear la carpeta «%1»").arg(shown);
}

}  // namespace

QString outputFoldersProblem(const QString& programFolder, const QStringList& outputFolders) {
    for (const QString& folder : outputFolders) {
        const QString problem = folderProblem(programFolder, folder);
        if (problem.isEmpty()) continue;
        const bool one = outputFolders.size() == 1;
        return QStringLiteral(
                   "No se pueden guardar las imágenes convertidas: %1.\n\n"
                   "Velaria guarda lo que convierte en %2, dentro de su propia carpeta «%3». "
                   "Instale Velaria para su usuario (con «make install» queda en "
                   "~/.local/opt/velaria), o desempaquételo en una carpeta suya, o pida al "
                   "administrador que le permita escribir en %4.")
            .arg(problem, outputFolders.join(QStringLiteral(" y ")),
                 QDir::toNativeSeparators(programFolder),
                 one ? QStringLiteral("esa carpeta") : QStringLiteral("esas carpetas"));
    }
    return {};
}

}  // namespace convert
