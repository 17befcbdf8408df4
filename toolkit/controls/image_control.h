#pragma once

#include <QImage>
#include <QWidget>

#include "toolkit/controls/geometry.h"

namespace toolkit {

// A picture shown inside a container. Stretch off: taking a picture resizes the control to the
// picture's natural size (an empty control keeps its size). Stretch on: the control keeps its
// size and shows the picture scaled to fill it. What is shown may be a reduced copy of a large
// photo; the natural size is always the whole picture's.
class ImageControl : public QWidget, public Geometry {
    Q_OBJECT
  public:
    using Geometry::height;
    using Geometry::width;
    explicit ImageControl(QWidget* parent);

    const QImage& picture() const { return picture_; }
    // The picture's natural size in pixels (an empty size when there is none).
    QSize naturalSize() const { return naturalSize_; }
    void setPicture(const QImage& picture);
    // Takes a picture of `natural` pixels shown through `shown`, a copy of it at any size; a null
    // `shown` leaves nothing to show until the pixels are given with the same natural size.
    void setPicture(const QImage& shown, QSize natural);
    // Loads a picture file, judged as a batch run judges it: one that cannot be read, or that
    // holds only part of its picture (what a decoder fills in for the rest is not the file's),
    // raises a Failure and leaves the current picture. A large photo is decoded only as finely
    // as a screen can show it.
    void loadPicture(const QString& path);

    bool stretch() const { return stretch_; }
    void setStretch(bool on);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QImage picture_;
    QSize naturalSize_;
    bool stretch_ = false;
};

}  // namespace toolkit
