#include "toolkit/controls/image_control.h"

#include <QPainter>
#include <QScreen>

#include "toolkit/pictures/picture_file.h"

namespace toolkit {

ImageControl::ImageControl(QWidget* parent) : QWidget(parent), Geometry(this) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ImageControl::setPicture(const QImage& picture) {
    setPicture(picture, picture.size());
}

void ImageControl::setPicture(const QImage& shown, QSize natural) {
    picture_ = shown;
    naturalSize_ = natural;
    if (!stretch_ && !naturalSize_.isEmpty()) resize(naturalSize_);
    update();
}

void ImageControl::loadPicture(const QString& path) {
    // Whatever size the image is stretched to, it is never larger than the screen.
    const QScreen* shownOn = screen();
    const QSize finest = shownOn ? shownOn->size() * shownOn->devicePixelRatio() : QSize();
    const PictureRead read = readWholePictureFile(path, finest);
    setPicture(read.image, read.naturalSize);
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
    } else if (picture_.size() == naturalSize_) {
        painter.drawImage(0, 0, picture_);
    } else {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRect(QPoint(), naturalSize_), picture_);
    }
}

}  // namespace toolkit
