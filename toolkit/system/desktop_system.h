#pragma once

#include "toolkit/system/system.h"

namespace toolkit {

// The real thing, on the desktop the program runs on.
class DesktopSystem : public System {
  public:
    QString programFolder() const override;
    void deleteFile(const QString& path) override;
    void startProgram(const QString& program, const QStringList& arguments) override;
    void messageBox(QWidget* owner, const QString& text, const QString& title = {}) override;
    std::optional<ChosenFile> chooseFile(QWidget* owner, const QString& startFolder) override;
    void endProgram(int status) override;
};

}  // namespace toolkit
