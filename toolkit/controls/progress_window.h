#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace toolkit {

// The small window a long run shows over its owner: "Convirtiendo n de N", the file being
// converted, a bar and "Cancelar". It is modal to the owner, which takes no input while it is
// up but goes on repainting. Closing it or pressing Escape asks to cancel, like the button.
class ProgressWindow : public QDialog {
    Q_OBJECT
  public:
    ProgressWindow(QWidget* owner, int total);

    // The picture `current` of the total (counted from 1) is being converted, from `name`.
    void showWorking(int current, const QString& name);
    // The total once it is known for certain (the first one may count pictures that fail).
    void setTotal(int total);
    bool cancelAsked() const { return cancelAsked_; }
    QPushButton* cancelButton() const { return cancel_; }

  signals:
    // Emitted once, when the user first asks to stop.
    void cancelRequested();
    // Emitted after each showWorking, with the picture now being converted.
    void advanced(int current);

  public slots:
    void reject() override;

  private:
    int total_;
    bool cancelAsked_ = false;
    QLabel* count_;
    QLabel* name_;
    QProgressBar* bar_;
    QPushButton* cancel_;
};

}  // namespace toolkit
