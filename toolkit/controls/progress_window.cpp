#include "toolkit/controls/progress_window.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "toolkit/system/system.h"

namespace toolkit {

ProgressWindow::ProgressWindow(QWidget* owner, int total)
    : QDialog(owner),
      total_(total),
      count_(new QLabel(this)),
      name_(new QLabel(this)),
      bar_(new QProgressBar(this)),
      cancel_(new QPushButton(QStringLiteral("Cancelar"), this)) {
    setObjectName(QStringLiteral("progreso"));
    setWindowTitle(kApplicationTitle);
    setWindowModality(Qt::WindowModal);
    // Long file names must not make the window jump in width from one picture to the next.
    name_->setMinimumWidth(360);
    name_->setTextFormat(Qt::PlainText);
    bar_->setRange(0, total);
    bar_->setTextVisible(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(count_);
    layout->addWidget(name_);
    layout->addWidget(bar_);
    layout->addWidget(cancel_, 0, Qt::AlignRight);
    connect(cancel_, &QPushButton::clicked, this, &ProgressWindow::reject);
    showWorking(1, QString());
}

void ProgressWindow::showWorking(int current, const QString& name) {
    count_->setText(QStringLiteral("Convirtiendo %1 de %2").arg(current).arg(total_));
    name_->setText(fontMetrics().elidedText(name, Qt::ElideMiddle, name_->width()));
    name_->setToolTip(name);
    bar_->setValue(current - 1);
    emit advanced(current);
}

void ProgressWindow::setTotal(int total) {
    total_ = total;
    bar_->setRange(0, total);
}

void ProgressWindow::reject() {
    if (cancelAsked_) return;
    cancelAsked_ = true;
    cancel_->setEnabled(false);
    count_->setText(QStringLiteral("Cancelando: se terminan las imágenes en curso…"));
    emit cancelRequested();
}

}  // namespace toolkit
