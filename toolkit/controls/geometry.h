#pragma once

class QWidget;

namespace toolkit {

// Position and size of a control in the window's length unit. Values are stored as whole
// logical pixels (see unitsToPixels) and read back as pixels x 15, so every reader sees what the
// toolkit actually stored. Positions are relative to the inside of the container (inside its
// border, as for a picture inside a framed box).
class Geometry {
  public:
    explicit Geometry(QWidget* self) : self_(self) {}

    float left() const;
    float top() const;
    float width() const;
    float height() const;
    // Each raises a Failure for a value the control cannot take (negative size, or beyond the
    // largest extent a control accepts).
    void setLeft(float units);
    void setTop(float units);
    void setWidth(float units);
    void setHeight(float units);

  private:
    QWidget* self_;
};

}  // namespace toolkit
