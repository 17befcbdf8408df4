#include "picture_box.h"

#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QMouseEvent>
#include <QPainter>
#include <QSaveFile>

#include "../failure.h"
#include "../units.h"

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

std::int16_t shiftBits(Qt::KeyboardModifiers modifiers) {
    std::int16_t bits = 0;
    if (modifiers & Qt::ShiftModifier) bits |= 1;
    if (modifiers & Qt::ControlModifier) bits |= 2;
    if (modifiers & Qt::AltModifier) bits |= 4;
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
    if (on) ensureSurface();
}

QSize PictureBox::surfaceSize() const {
    return size();
}

void PictureBox::ensureSurface() {
    const QSize size = surfaceSize().expandedTo(QSize(1, 1));
    if (surface_.size() == size) return;
    QImage grown(size, QImage::Format_RGB32);
    if (grown.isNull())
        throw Failure(QStringLiteral("No hay memoria para un dibujo de %1 x %2 píxeles")
                          .arg(size.width())
                          .arg(size.height()));
    grown.fill(palette().color(QPalette::Window));
    if (!surface_.isNull()) {
        QPainter painter(&grown);
        painter.drawImage(0, 0, surface_);
    }
    surface_ = grown;
}

void PictureBox::paintPicture(const QImage& picture, float x, float y, float width, float height) {
    ensureSurface();
    const QRect target(unitsToPixels(x), unitsToPixels(y), unitsToPixels(width),
                       unitsToPixels(height));
    if (target.isEmpty() || picture.isNull()) return;
    // Scaled on its own first: the painter's own filter samples too few source pixels when a
    // large photo shrinks a lot.
    const QImage scaled =
        picture.size() == target.size()
            ? picture
            : picture.scaled(target.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (scaled.isNull())
        throw Failure(QStringLiteral("No hay memoria para escalar la imagen a %1 x %2 píxeles")
                          .arg(target.width())
                          .arg(target.height()));
    QPainter painter(&surface_);
    painter.drawImage(target.topLeft(), scaled);
    update();
}

void PictureBox::clearSurface(std::uint32_t bbggrr) {
    ensureSurface();
    surface_.fill(fromBbggrr(bbggrr));
    update();
}

void PictureBox::writeSurface(QIODevice& device) {
    ensureSurface();
    QImageWriter writer(&device, "bmp");
    if (!writer.write(surface_)) throw Failure(writer.errorString());
}

void PictureBox::saveSurface(const QString& path) {
    const QFileInfo info(path);
    const QString where = QStringLiteral("«%1» en la carpeta «%2»")
                              .arg(info.fileName(), info.absoluteDir().dirName());
    const auto failed = [&](const QString& why) {
        const QString reason = QStringLiteral("no se puede guardar %1: %2").arg(where, why);
        return Failure(QStringLiteral("No se puede guardar %1: %2").arg(where, why), reason);
    };
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) throw failed(file.errorString());
    try {
        writeSurface(file);
    } catch (const Failure& failure) {
        file.cancelWriting();
        throw failed(failure.message());
    }
    if (!file.commit()) throw failed(file.errorString());
}

void PictureBox::mouseMoveEvent(QMouseEvent* event) {
    const QPointF inner = event->position() - QPointF(contentsRect().topLeft());
    emit mouseMoved(buttonBits(event->buttons()), shiftBits(event->modifiers()),
                    float(inner.x() * kUnitsPerPixel), float(inner.y() * kUnitsPerPixel));
}

void PictureBox::paintEvent(QPaintEvent* event) {
    if (autoRedraw_ && !surface_.isNull()) {
        QPainter painter(this);
        painter.setClipRect(contentsRect());
        painter.drawImage(contentsRect().topLeft(), surface_);
    }
    QFrame::paintEvent(event);
}

}  // namespace toolkit
