#include "toolkit/controls/picture_box.h"

#include <QMouseEvent>
#include <QPainter>

#include "toolkit/common/failure.h"
#include "toolkit/controls/keys.h"
#include "toolkit/controls/units.h"
#include "toolkit/pictures/drawing.h"

namespace toolkit {

namespace {

std::int16_t buttonBits(Qt::MouseButtons buttons) {
    std::int16_t bits = 0;
    if (buttons & Qt::LeftButton) bits |= 1;
    if (buttons & Qt::RightButton) bits |= 2;
    if (buttons & Qt::MiddleButton) bits |= 4;
    if (buttons & ~(Qt::LeftButton | Qt::RightButton | Qt::MiddleButton)) bits |= 4;
    return bits;
}

}  // namespace

PictureBox::PictureBox(Border border, QWidget* parent) : QFrame(parent), Geometry(this) {
    if (border == Border::Sunken3D) {
        setFrameStyle(QFrame::Panel | QFrame::Sunken);
        setLineWidth(2);
    } else {
        setFrameStyle(QFrame::Box | QFrame::Plain);
        setLineWidth(1);
    }
    setAutoFillBackground(true);
    setMouseTracking(true);
    setFocusPolicy(Qt::TabFocus);
}

std::uint32_t PictureBox::backColor() const {
    return toBbggrr(palette().color(QPalette::Window));
}

void PictureBox::setBackColor(std::uint32_t bbggrr) {
    QPalette colours = palette();
    colours.setColor(QPalette::Window, fromBbggrr(bbggrr));
    setPalette(colours);
}

void PictureBox::setAutoRedraw(bool on) {
    autoRedraw_ = on;
    // A frame too large for a drawing gets one only when something is painted, which then says
    // why it cannot be; switching the mode on never fails.
    if (on) toolkit::skipOnFailure([this] { ensureSurface(); });
}

QSize PictureBox::surfaceSize() const {
    return size();
}

void PictureBox::ensureSurface() {
    const QSize size = surfaceSize().expandedTo(QSize(1, 1));
    if (surface_.size() == size) return;
    QImage grown = filledSurface(size, palette().color(QPalette::Window));
    if (!surface_.isNull()) {
        QPainter painter(&grown);
        painter.drawImage(0, 0, surface_);
    }
    surface_ = grown;
}

void PictureBox::paintPicture(const QImage& picture, float x, float y, float width, float height) {
    ensureSurface();
    paintScaled(
        surface_, picture,
        QRect(unitsToPixels(x), unitsToPixels(y), unitsToPixels(width), unitsToPixels(height)));
    update();
}

void PictureBox::takeSurface(const QImage& drawing) {
    surface_ = drawing;
    update();
}

void PictureBox::clearSurface(std::uint32_t bbggrr) {
    ensureSurface();
    surface_.fill(fromBbggrr(bbggrr));
    update();
}

void PictureBox::mouseMoveEvent(QMouseEvent* event) {
    const QPointF inner = event->position() - QPointF(contentsRect().topLeft());
    emit mouseMoved(buttonBits(event->buttons()), shiftBits(event->modifiers()),
                    float(inner.x() * kUnitsPerPixel), float(inner.y() * kUnitsPerPixel));
}

void PictureBox::keyPressEvent(QKeyEvent* event) {
    if (const std::int16_t code = keyCode(*event)) {
        emit keyDown(code, shiftBits(event->modifiers()));
        event->accept();
    } else {
        QFrame::keyPressEvent(event);
    }
}

void PictureBox::focusInEvent(QFocusEvent* event) {
    QFrame::focusInEvent(event);
    update();
}

void PictureBox::focusOutEvent(QFocusEvent* event) {
    QFrame::focusOutEvent(event);
    update();
}

void PictureBox::paintEvent(QPaintEvent* event) {
    if (autoRedraw_ && !surface_.isNull()) {
        QPainter painter(this);
        painter.setClipRect(contentsRect());
        painter.drawImage(contentsRect().topLeft(), surface_);
    }
    QFrame::paintEvent(event);
    if (hasFocus()) {
        // A ring two pixels wide, one pixel inside the border, in the border's colour: it shows
        // on the white and on the blue handle alike and leaves the middle of the box, where its
        // colour is seen, as it was.
        QPainter painter(this);
        const QRect ring = contentsRect().adjusted(1, 1, -1, -1);
        const QColor ink = palette().color(QPalette::WindowText);
        painter.fillRect(QRect(ring.topLeft(), QSize(ring.width(), 2)), ink);
        painter.fillRect(QRect(ring.left(), ring.bottom() - 1, ring.width(), 2), ink);
        painter.fillRect(QRect(ring.topLeft(), QSize(2, ring.height())), ink);
        painter.fillRect(QRect(ring.right() - 1, ring.top(), 2, ring.height()), ink);
    }
}

}  // namespace toolkit
