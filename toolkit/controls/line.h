#pragma once

#include <QLineF>

class QWidget;

namespace toolkit {

// A line drawn on the window's own surface, beneath the controls. End points are in the
// window's unit and are kept as given (they are not snapped to pixels).
class Line {
  public:
    explicit Line(QWidget* surface) : surface_(surface) {}

    float x1() const { return x1_; }
    float y1() const { return y1_; }
    float x2() const { return x2_; }
    float y2() const { return y2_; }
    void setX1(float units);
    void setY1(float units);
    void setX2(float units);
    void setY2(float units);

    // Where to draw it, in logical pixels.
    QLineF inPixels() const;

  private:
    void changed();

    QWidget* surface_;
    float x1_ = 0, y1_ = 0, x2_ = 0, y2_ = 0;
};

}  // namespace toolkit
