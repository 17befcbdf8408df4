#include "image_control.h"

#include <QPainter>

#include "../picture_file.h"

namespace toolkit {

ImageControl::ImageControl(QWidget* parent) : QWidget(parent), Geometry(this) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ImageControl::setPicture(const QImage& picture) {
    picture_ = picture;
    if (!stretch_ && !picture_.isNull()) resize(picture_.size());
    update();
}

void ImageControl::loadPicture(const QString& path) {
    setPicture(loadPictureFile(path));
}

void ImageControl::loadWholePicture(const QString& path) {
    setPicture(loadWholePictureFile(path));
}

void ImageControl::setStretch(bool on) {
    stretch_ = on;
    update();
}

void ImageControl::paintEvent(QPaintEvent*) {
    if (picture_.isNull()) return;
    QPainter painter(this);
    if (stretch_) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(rect(), picture_);
    } else {
        painter.drawImage(0, 0, picture_);
    }
}

}  // namespace toolkit
