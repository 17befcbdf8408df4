#pragma once

// Included by form1.h: the width-driven refit shared by start-up, the preview and the handles.

#include "toolkit/units.h"

template <class Run>
void Form1::refitHeightToKeptProportion(Run&& run) {
    using toolkit::toSingle;
    run([&] { Image1->setWidth(Picture1->width()); });
    run([&] {
        Image1->setHeight(toSingle(toolkit::divide(
            static_cast<double>(Picture1->width()) * static_cast<double>(SourceHeight),
            static_cast<double>(SourceWidth))));
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

template <class Handler>
void Form1::untrapped(Handler&& handler) {
    try {
        handler();
    } catch (const std::exception& failure) {
        reportUntrappedFailure(QString::fromUtf8(failure.what()));
    }
}
