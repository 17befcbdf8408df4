#pragma once

// Included by form1.h: the refits to the kept proportion, shared by start-up, the preview and
// the handles.

#include <algorithm>

#include "toolkit/controls/units.h"

// How far a control may still reach beyond `origin`, in the window's unit: every position and
// size stays where the controls accept it, and an extreme kept proportion cannot ask for a frame
// the window could never place.
inline double reachBeyond(float origin) {
    return double(toolkit::kMaxPixels) * toolkit::kUnitsPerPixel - origin;
}

template <class Run>
void Form1::refitHeightToKeptProportion(Run&& run) {
    using toolkit::toSingle;
    run([&] { Image1->setWidth(Picture1->width()); });
    run([&] {
        Image1->setHeight(toSingle(std::min(toolkit::divide(static_cast<double>(Picture1->width()) *
                                                                static_cast<double>(SourceHeight),
                                                            static_cast<double>(SourceWidth)),
                                            reachBeyond(Picture1->top()))));
    });
    run([&] { Picture1->setHeight(Image1->height()); });
    // The handles are square: its width is also its height, so its bottom edge meets the frame's.
    run([&] {
        Picture3(1).setTop(toSingle(static_cast<double>(Picture1->top()) + Picture1->height() -
                                    Picture3(1).width()));
    });
    run([&] {
        Line2.setX2(
            toSingle(static_cast<double>(Picture3(1).left()) + toolkit::half(Picture3(1).width())));
    });
    run([&] { Line2.setY2(Picture3(1).top()); });
}

template <class Run>
void Form1::refitWidthToKeptProportion(Run&& run) {
    using toolkit::toSingle;
    run([&] { Image1->setHeight(Picture1->height()); });
    run([&] {
        Image1->setWidth(toSingle(std::min(toolkit::divide(static_cast<double>(Picture1->height()) *
                                                               static_cast<double>(SourceWidth),
                                                           static_cast<double>(SourceHeight)),
                                           reachBeyond(Picture1->left()))));
    });
    run([&] { Picture1->setWidth(Image1->width()); });
    // The handles are square: its height is also its width, so its right edge meets the frame's.
    run([&] {
        Picture2(1).setLeft(toSingle(static_cast<double>(Picture1->left()) + Picture1->width() -
                                     Picture2(1).width()));
    });
    run([&] { Line1.setX2(Picture2(1).left()); });
    run([&] {
        Line1.setY2(
            toSingle(static_cast<double>(Picture2(1).top()) + toolkit::half(Picture2(1).height())));
    });
}

template <class Handler>
void Form1::untrapped(Handler&& handler) {
    try {
        handler();
    } catch (const std::exception& failure) {
        reportUntrappedFailure(QString::fromUtf8(failure.what()));
    }
}
