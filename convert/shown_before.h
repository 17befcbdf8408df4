#pragma once

#include <QImage>
#include <QSize>

#include "app/form1.h"

namespace convert {

// What Image1 and the frame showed before a run, to go over the list again from there.
struct ShownBefore {
    explicit ShownBefore(const Form1& f)
        : picture(f.Image1->picture()),
          natural(f.Image1->naturalSize()),
          stretch(f.Image1->stretch()),
          imageWidth(f.Image1->width()),
          imageHeight(f.Image1->height()),
          frameWidth(f.Picture1->width()),
          frameHeight(f.Picture1->height()) {}

    void restore(Form1& f) const {
        f.Image1->setStretch(true);
        f.Image1->setPicture(picture, natural);
        f.Image1->setWidth(imageWidth);
        f.Image1->setHeight(imageHeight);
        f.Image1->setStretch(stretch);
        f.Picture1->setWidth(frameWidth);
        f.Picture1->setHeight(frameHeight);
    }

    QImage picture;
    QSize natural;
    bool stretch;
    float imageWidth, imageHeight, frameWidth, frameHeight;
};

}  // namespace convert
