#pragma once

#include <QStringList>
#include <functional>
#include <mutex>
#include <optional>

#include "toolkit/system/system.h"

// Stands in for the desktop in in-process tests: the program folder is whatever the test says,
// message boxes are recorded instead of shown and programs are recorded instead of started.
class FakeSystem : public toolkit::System {
  public:
    explicit FakeSystem(QString programFolder) : folder(std::move(programFolder)) {}

    QString programFolder() const override { return folder; }
    void deleteFile(const QString& path) override;
    void startProgram(const QString& program, const QStringList& arguments) override;
    void messageBox(QWidget* owner, const QString& text, const QString& title = {}) override;
    void endProgram(int status) override { endStatus = status; }
    std::optional<toolkit::ChosenFile> chooseFile(QWidget* owner,
                                                  const QString& startFolder) override;

    struct Started {
        QString program;
        QStringList arguments;
    };
    struct Message {
        QString text;
        QString title;
    };

    QString folder;
    bool failToStart = false;
    std::vector<Started> started;
    std::vector<Message> messages;
    // How many of the next message boxes fail to open, as a box the system refuses would.
    int failingMessageBoxes = 0;
    // What the user does while a message box is up.
    std::function<void()> whileMessageShows;
    std::optional<int> endStatus;
    // What the open-file dialog answers (nothing: the user cancels), and where each one opened.
    std::optional<toolkit::ChosenFile> chosenFile;
    std::vector<QString> dialogFolders;
    // Files deleted through the system, in order; the hook sees each one just before it goes.
    // Pictures converted at once delete their scratch files from several threads.
    std::vector<QString> deleted;
    std::function<void(const QString&)> beforeDelete;
    std::mutex deleting;
};
