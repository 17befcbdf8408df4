#pragma once

#include <QList>
#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <functional>

#include "toolkit/system/desktop_system.h"

class Form1;

// Everything a user or a handler could see change on the window, one line per control (name
// first), so that two snapshots can be compared whole or with some controls left out.
QStringList describeWindow(const Form1& form);
QStringList withoutControls(const QStringList& description, const QStringList& names);

// Drags these items onto the window and drops them there, as a file manager does, offering
// these actions. Says whether the window took them, and how.
struct Drop {
    bool entered = false;
    bool dropped = false;
    Qt::DropAction action = Qt::IgnoreAction;
};
Drop dropOn(Form1& form, const QList<QUrl>& items,
            Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction);

// The real desktop, except that the program lives in a folder the test chooses.
class DesktopInFolder : public toolkit::DesktopSystem {
  public:
    explicit DesktopInFolder(QString folder) : folder_(std::move(folder)) {}
    QString programFolder() const override { return folder_; }

  private:
    QString folder_;
};

// Acts on the next modal window as soon as it is up, from inside the window's own event loop,
// so that a test can answer a real dialog. Gives up after a few seconds.
class ModalDriver {
  public:
    explicit ModalDriver(std::function<void(QWidget*)> act);
    bool ran() const { return ran_; }

  private:
    QTimer timer_;
    std::function<void(QWidget*)> act_;
    int waited_ = 0;
    bool ran_ = false;
};
