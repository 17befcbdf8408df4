#include "toolkit/controls/geometry.h"

#include <QWidget>

#include "toolkit/common/failure.h"
#include "toolkit/controls/units.h"

namespace toolkit {

namespace {

QPoint containerOrigin(const QWidget* self) {
    const QWidget* parent = self->parentWidget();
    return parent && !self->isWindow() ? parent->contentsRect().topLeft() : QPoint();
}

int checkedPosition(float units) {
    const int pixels = unitsToPixels(units);
    if (pixels < -kMaxPixels || pixels > kMaxPixels)
        throw Failure(QStringLiteral("Valor de posición no válido: %1").arg(numberToText(units)));
    return pixels;
}

int checkedSize(float units) {
    const int pixels = unitsToPixels(units);
    if (pixels < 0 || pixels > kMaxPixels)
        throw Failure(QStringLiteral("Valor de tamaño no válido: %1").arg(numberToText(units)));
    return pixels;
}

}  // namespace

float Geometry::left() const {
    return pixelsToUnits(self_->x() - containerOrigin(self_).x());
}
float Geometry::top() const {
    return pixelsToUnits(self_->y() - containerOrigin(self_).y());
}
float Geometry::width() const {
    return pixelsToUnits(self_->width());
}
float Geometry::height() const {
    return pixelsToUnits(self_->height());
}

void Geometry::setLeft(float units) {
    self_->move(checkedPosition(units) + containerOrigin(self_).x(), self_->y());
}

void Geometry::setTop(float units) {
    self_->move(self_->x(), checkedPosition(units) + containerOrigin(self_).y());
}

void Geometry::setWidth(float units) {
    self_->resize(checkedSize(units), self_->height());
}
void Geometry::setHeight(float units) {
    self_->resize(self_->width(), checkedSize(units));
}

}  // namespace toolkit
