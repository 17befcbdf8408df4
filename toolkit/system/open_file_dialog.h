#pragma once

#include <QString>
#include <optional>

class QWidget;

namespace toolkit {

// The file picked in the open-file dialog: its full path, and its name with extension and
// without the folder. The path ends with the name.
struct ChosenFile {
    QString path;
    QString name;
};

// The system's open-file dialog, modal to the owner: "Selecciona una imagen", one filter for
// every file, and only an existing file in an existing folder can be picked. It opens in
// startFolder every time, whatever was picked before. Nothing when the user cancels.
std::optional<ChosenFile> chooseExistingFile(QWidget* owner, const QString& startFolder);

}  // namespace toolkit
