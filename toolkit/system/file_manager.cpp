#include "toolkit/system/file_manager.h"

#include "toolkit/system/system.h"

#ifdef Q_OS_WIN
#include <QDir>
#endif

namespace toolkit {

void openInFileManager(System& system, const QString& folder) {
#ifdef Q_OS_WIN
    system.startProgram(QStringLiteral("explorer.exe"), {QDir::toNativeSeparators(folder)});
#else
    // xdg-open takes any argument starting with a dash for an option and knows no "--"; a
    // relative folder named so is still the same folder behind "./".
    const QString argument = folder.startsWith(u'-') ? QStringLiteral("./") + folder : folder;
    system.startProgram(QStringLiteral("xdg-open"), {argument});
#endif
}

}  // namespace toolkit
