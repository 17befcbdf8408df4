#include "convert/size_to_frame.h"

#include "app/form1.h"
#include "toolkit/common/failure.h"
#include "toolkit/controls/units.h"

namespace convert {

namespace {

// The width handle turns blue when the pointer last moved over a width handle: the width drives.
constexpr std::uint32_t kWidthTouchedLast = toolkit::rgb(0, 0, 255);

// With the kept proportion: the driving side takes the frame's, the other follows the
// picture's own proportion, and the frame follows the image.
void keepPictureProportion(Form1& f) {
    using toolkit::toSingle;
    const float W = f.Image1->width();
    const std::int32_t H = toolkit::roundHalfEven(f.Image1->height());
    f.Image1->setStretch(true);
    if (f.Picture2(1).backColor() == kWidthTouchedLast) {
        f.Image1->setWidth(f.Picture1->width());
        f.Image1->setHeight(toSingle(
            toolkit::divide(static_cast<double>(f.Picture1->width()) * static_cast<double>(H),
                            static_cast<double>(W))));
        f.Picture1->setHeight(f.Image1->height());
    } else {
        f.Image1->setHeight(f.Picture1->height());
        f.Image1->setWidth(toSingle(
            toolkit::divide(static_cast<double>(f.Picture1->height()) * static_cast<double>(W),
                            static_cast<double>(H))));
        f.Picture1->setWidth(f.Image1->width());
    }
}

}  // namespace

void sizeToFrame(Form1& f) {
    try {
        if (f.Check2(2).value() != 0) {
            keepPictureProportion(f);
        } else {
            f.Image1->setStretch(true);
            f.Image1->setWidth(f.Picture1->width());
            f.Image1->setHeight(f.Picture1->height());
        }
    } catch (const toolkit::Failure& failure) {
        throw toolkit::Failure(failure.message(),
                               QStringLiteral("no se puede escalar la imagen al tamaño pedido (%1)")
                                   .arg(failure.reason()));
    }
    // A picture far narrower (or flatter) than the frame can come out under one pixel.
    if (toolkit::unitsToPixels(f.Image1->width()) < 1 ||
        toolkit::unitsToPixels(f.Image1->height()) < 1)
        throw toolkit::Failure(
            QStringLiteral("a este tamaño la imagen escalada se queda sin ningún píxel de "
                           "ancho o de alto"));
}

}  // namespace convert
