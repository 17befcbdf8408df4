#include "fake_system.h"

#include "toolkit/common/failure.h"
#include "toolkit/system/desktop_system.h"

void FakeSystem::deleteFile(const QString& path) {
    const std::lock_guard lock(deleting);
    if (beforeDelete) beforeDelete(path);
    deleted.push_back(path);
    toolkit::DesktopSystem().deleteFile(path);
}

void FakeSystem::startProgram(const QString& program, const QStringList& arguments) {
    if (failToStart)
        throw toolkit::Failure(QStringLiteral("No se puede iniciar «%1»").arg(program));
    started.push_back({program, arguments});
}

void FakeSystem::messageBox(QWidget*, const QString& text, const QString& title) {
    if (failingMessageBoxes > 0) {
        --failingMessageBoxes;
        throw toolkit::Failure(QStringLiteral("No se puede mostrar el mensaje"));
    }
    messages.push_back({text, title.isEmpty() ? toolkit::kApplicationTitle : title});
    if (whileMessageShows) whileMessageShows();
}

std::optional<toolkit::ChosenFile> FakeSystem::chooseFile(QWidget*, const QString& startFolder) {
    dialogFolders.push_back(startFolder);
    return chosenFile;
}
