#include "toolkit/system/desktop_system.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>

#include "toolkit/common/failure.h"
#include "toolkit/system/file_errors.h"

namespace toolkit {

QString DesktopSystem::programFolder() const {
    return QCoreApplication::applicationDirPath();
}

void DesktopSystem::deleteFile(const QString& path) {
    if (!QFile::remove(path))
        throw Failure(
            QStringLiteral("No se puede borrar «%1»: %2")
                .arg(QFileInfo(path).fileName(), removeFailure(QFileInfo(path).exists())));
}

void DesktopSystem::startProgram(const QString& program, const QStringList& arguments) {
    if (!QProcess::startDetached(program, arguments))
        throw Failure(QStringLiteral("No se puede iniciar «%1»").arg(program));
}

void DesktopSystem::messageBox(QWidget* owner, const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::NoIcon, title.isEmpty() ? kApplicationTitle : title, text,
                    QMessageBox::Ok, owner);
    box.exec();
}

std::optional<ChosenFile> DesktopSystem::chooseFile(QWidget* owner, const QString& startFolder) {
    return chooseExistingFile(owner, startFolder);
}

void DesktopSystem::endProgram(int status) {
    QCoreApplication::exit(status);
}

}  // namespace toolkit
