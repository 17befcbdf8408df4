#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cstdint>

#include "toolkit/controls/geometry.h"

namespace toolkit {

// A push button drawn in its own background colour.
class CommandButton : public QPushButton, public Geometry {
    Q_OBJECT
  public:
    using Geometry::height;
    using Geometry::width;
    explicit CommandButton(QWidget* parent);
    void setBackColor(std::uint32_t bbggrr);

  protected:
    // A caption too long for one line wraps onto the next, centred.
    void paintEvent(QPaintEvent* event) override;
};

// A check box whose value is 0 (unticked), 1 (ticked) or 2 (greyed). The user only ticks and
// unticks; the greyed state is set by the program.
class CheckBox : public QCheckBox, public Geometry {
    Q_OBJECT
  public:
    using Geometry::height;
    using Geometry::width;
    explicit CheckBox(QWidget* parent);
    int value() const;
    void setValue(int value);
    void setBackColor(std::uint32_t bbggrr);

  protected:
    void nextCheckState() override;
    // A caption too long for one line wraps onto the next, beside the box.
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor backColor_;
};

// A one-line text box. Given a text with a NUL, it keeps only what precedes the NUL. The
// program's own setText clears isModified(); typing sets it.
class TextBox : public QLineEdit, public Geometry {
    Q_OBJECT
  public:
    using Geometry::height;
    using Geometry::width;
    explicit TextBox(QWidget* parent);
    void setText(const QString& text);

  signals:
    // A key the window acts on (keys.h), before the box itself handles it.
    void keyDown(std::int16_t keyCode, std::int16_t shift);
    // The focus went to another control of the window; not when another window or a pop-up
    // menu takes it for a while.
    void lostFocus();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};

class Label : public QLabel, public Geometry {
    Q_OBJECT
  public:
    using Geometry::height;
    using Geometry::width;
    explicit Label(QWidget* parent);
};

}  // namespace toolkit
