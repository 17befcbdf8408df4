#pragma once

#include <QFrame>
#include <QImage>
#include <cstdint>

#include "toolkit/controls/geometry.h"

namespace toolkit {

// A framed box: the preview frame and the square size handles. It raises movement events in
// the window's length unit, relative to its own inner top-left corner, with or without a button
// held; while a button is held they keep coming to the box where it went down. With the focus
// it raises key events for the keys the window acts on.
class PictureBox : public QFrame, public Geometry {
    Q_OBJECT
  public:
    using Geometry::height;
    using Geometry::width;
    enum class Border { Sunken3D, FlatSingle };

    PictureBox(Border border, QWidget* parent);

    std::uint32_t backColor() const;
    void setBackColor(std::uint32_t bbggrr);

    // The persistent drawing surface: once on, what is painted stays and is what gets saved.
    bool autoRedraw() const { return autoRedraw_; }
    void setAutoRedraw(bool on);
    // The surface is as large as the whole box, in pixels, so that a picture painted at the
    // box's own width and height fits it entirely and a saved file has the box's size. Its
    // origin is the inside's top-left corner, where pictures and images inside the box start;
    // on screen it shows within the border like they do.
    QSize surfaceSize() const;
    const QImage& surface() const { return surface_; }
    // Paints the picture at (x, y) scaled to width x height, all in the window's unit.
    void paintPicture(const QImage& picture, float x, float y, float width, float height);
    // Takes a drawing made elsewhere, as large as the box was when it was made, as the surface.
    void takeSurface(const QImage& drawing);
    // Fills the whole surface with one colour.
    void clearSurface(std::uint32_t bbggrr);

  signals:
    // button: 1 left, 2 right, 4 middle (any combination); shift: 1 Shift, 2 Ctrl, 4 Alt.
    void mouseMoved(std::int16_t button, std::int16_t shift, float x, float y);
    // A key the window acts on (keys.h), pressed while the box has the focus.
    void keyDown(std::int16_t keyCode, std::int16_t shift);

  protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // The focus shows as a ring inside the border.
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void ensureSurface();

    bool autoRedraw_ = false;
    QImage surface_;
};

}  // namespace toolkit
