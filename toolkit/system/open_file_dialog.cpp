#include "toolkit/system/open_file_dialog.h"

#include <QFileDialog>
#include <QFileInfo>

namespace toolkit {

std::optional<ChosenFile> chooseExistingFile(QWidget* owner, const QString& startFolder) {
    // A fresh dialog given its folder: Qt's memory of the last folder only applies when none is.
    QFileDialog dialog(owner, QStringLiteral("Selecciona una imagen"), startFolder);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    // The user knows the filter as "(*.*)", which on Windows matches every file. Qt takes "*.*"
    // literally and would hide names without a dot, so the real pattern is "*" and only the
    // familiar text is shown (the last bracket is the pattern, the rest is the shown name).
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilter(QStringLiteral("Todos los ficheros (*.*) (*)"));
    dialog.setWindowModality(Qt::ApplicationModal);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return std::nullopt;
    const QString path = files.first();
    return ChosenFile{path, QFileInfo(path).fileName()};
}

}  // namespace toolkit
