#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "toolkit/system/open_file_dialog.h"

class QWidget;

namespace toolkit {

// What the window asks of the operating system, behind one interface so that a test can stand
// in for whatever must not really open or start while it runs.
class System {
  public:
    virtual ~System() = default;

    // The folder of the program's executable, without a trailing separator (except at a root).
    virtual QString programFolder() const = 0;

    // Raises a Failure when the file cannot be deleted. May be called from any thread.
    virtual void deleteFile(const QString& path) = 0;

    // Starts a program as a separate process with these arguments (no shell) and returns at
    // once; nobody waits for it. Raises a Failure when it cannot be started.
    virtual void startProgram(const QString& program, const QStringList& arguments) = 0;

    // A modal box with one OK button and no icon. An empty title gives the application's own.
    virtual void messageBox(QWidget* owner, const QString& text, const QString& title = {}) = 0;

    // The open-file dialog, modal to the owner and opening in startFolder; nothing on cancel.
    virtual std::optional<ChosenFile> chooseFile(QWidget* owner, const QString& startFolder) = 0;

    // Ends the program with this status once the current handler returns.
    virtual void endProgram(int status) = 0;
};

inline const QString kApplicationTitle = QStringLiteral("Velaria");

}  // namespace toolkit
