#include "picture_box.h"

#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QMouseEvent>
#include <QPainter>
#include <QSaveFile>

#include "../failure.h"
#include "../folders.h"
#include "../picture_file.h"
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

// A drawing of this size would take more memory than any picture the program reads: refuse it
// with the reason rather than fail to allocate. The size handles allow a frame of 32767 x 32767
// pixels, which would need 4 GB.
void checkDrawingSize(const QSize& size) {
    if (qint64(size.width()) * size.height() <= kMaxPicturePixels) return;
    const QString reason =
        QStringLiteral(
            "a este tamaño la imagen mediría %1 x %2 píxeles, más de los %3 millones "
            "que se admiten")
            .arg(size.width())
            .arg(size.height())
            .arg(kMaxPicturePixels / 1000000);
    throw Failure(reason.left(1).toUpper() + reason.mid(1), reason);
}

// Why writing into a device failed, in Spanish. The system's own words add little: Qt often has
// none ("Unknown error") for a write that stopped short.
QString writeFailure(const QIODevice& device, const QString& otherwise) {
    const auto* file = qobject_cast<const QFileDevice*>(&device);
    if (!file || file->error() == QFileDevice::NoError) return otherwise;
    switch (file->error()) {
        case QFileDevice::ResourceError:
            return QStringLiteral("no queda espacio en el disco");
        case QFileDevice::PermissionsError:
        case QFileDevice::OpenError:
            return QStringLiteral("no hay permiso para escribir el archivo");
        default:
            return QStringLiteral(
                "no se ha podido escribir el archivo entero (disco lleno o "
                "sin permiso)");
    }
}

// Writes the picture as a 24-bit BMP; empty when it went well, otherwise why not.
QString writeBmp(const QImage& picture, QIODevice& device) {
    QImageWriter writer(&device, "bmp");
    return writer.write(picture) ? QString() : writeFailure(device, writer.errorString());
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
    checkDrawingSize(size);
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
    checkDrawingSize(target.size());
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
    const QString why = writeBmp(surface_, device);
    if (why.isEmpty()) return;
    const auto* file = qobject_cast<const QFileDevice*>(&device);
    if (!file || file->fileName().isEmpty()) throw Failure(why);
    const QFileInfo info(file->fileName());
    const QString where = QStringLiteral("«%1» en la carpeta «%2»")
                              .arg(info.fileName(), info.absoluteDir().dirName());
    throw Failure(QStringLiteral("No se puede escribir %1: %2").arg(where, why),
                  QStringLiteral("no se puede escribir %1: %2").arg(where, why));
}

void PictureBox::saveSurface(const QString& path) {
    const QFileInfo info(path);
    const QString where = QStringLiteral("«%1» en la carpeta «%2»")
                              .arg(info.fileName(), info.absoluteDir().dirName());
    const auto failed = [&](const QString& why) {
        const QString reason = QStringLiteral("no se puede guardar %1: %2").arg(where, why);
        return Failure(QStringLiteral("No se puede guardar %1: %2").arg(where, why), reason);
    };
    try {
        ensureSurface();
    } catch (const Failure& failure) {
        throw failed(failure.reason());
    }
    if (const QString tooLong = pathTooLong(path); !tooLong.isEmpty()) throw failed(tooLong);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) throw failed(file.errorString());
    if (const QString why = writeBmp(surface_, file); !why.isEmpty()) {
        file.cancelWriting();
        throw failed(why);
    }
    if (!file.commit()) throw failed(writeFailure(file, file.errorString()));
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
