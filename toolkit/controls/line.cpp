#include "toolkit/controls/line.h"

#include <QWidget>

#include "toolkit/controls/units.h"

namespace toolkit {

void Line::setX1(float units) {
    x1_ = units;
    changed();
}
void Line::setY1(float units) {
    y1_ = units;
    changed();
}
void Line::setX2(float units) {
    x2_ = units;
    changed();
}
void Line::setY2(float units) {
    y2_ = units;
    changed();
}

QLineF Line::inPixels() const {
    const double k = kUnitsPerPixel;
    return QLineF(x1_ / k, y1_ / k, x2_ / k, y2_ / k);
}

void Line::changed() {
    if (surface_) surface_->update();
}

}  // namespace toolkit
