#include "toolkit/controls/simple_controls.h"

#include <QPainter>
#include <QStyleOptionButton>

#include "toolkit/common/failure.h"
#include "toolkit/controls/keys.h"
#include "toolkit/controls/units.h"

namespace toolkit {

namespace {

QString cssColour(std::uint32_t bbggrr) {
    return fromBbggrr(bbggrr).name(QColor::HexRgb);
}

}  // namespace

CommandButton::CommandButton(QWidget* parent) : QPushButton(parent), Geometry(this) {}

void CommandButton::setBackColor(std::uint32_t bbggrr) {
    const QColor face = fromBbggrr(bbggrr);
    setStyleSheet(QStringLiteral("QPushButton { background-color: %1; color: black;"
                                 " border: 2px outset %2; }"
                                 "QPushButton:pressed { border-style: inset; }"
                                 "QPushButton:focus { outline: 1px dotted black; }")
                      .arg(cssColour(bbggrr), face.darker(130).name()));
}

void CommandButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    style()->drawControl(QStyle::CE_PushButton, &option, &painter, this);
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.drawText(rect().adjusted(2, 2, -2, -2), Qt::AlignCenter | Qt::TextWordWrap, caption);
}

CheckBox::CheckBox(QWidget* parent) : QCheckBox(parent), Geometry(this) {
    setTristate(true);
}

int CheckBox::value() const {
    switch (checkState()) {
        case Qt::Unchecked:
            return 0;
        case Qt::Checked:
            return 1;
        default:
            return 2;
    }
}

void CheckBox::setValue(int value) {
    switch (value) {
        case 0:
            setCheckState(Qt::Unchecked);
            break;
        case 1:
            setCheckState(Qt::Checked);
            break;
        case 2:
            setCheckState(Qt::PartiallyChecked);
            break;
        default:
            throw Failure(QStringLiteral("Valor de casilla no válido: %1").arg(value));
    }
}

void CheckBox::setBackColor(std::uint32_t bbggrr) {
    backColor_ = fromBbggrr(bbggrr);
    update();
}

void CheckBox::paintEvent(QPaintEvent*) {
    // Inside a control, width() and height() are in the window's unit; painting needs pixels.
    const QRect area = rect();
    QPainter painter(this);
    if (backColor_.isValid()) painter.fillRect(area, backColor_);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    option.rect = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    option.rect.moveTop((area.height() - option.rect.height()) / 2);
    style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &painter, this);
    const int textLeft = option.rect.right() + 5;
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRect(textLeft, 0, area.width() - textLeft, area.height()),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, caption);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = QRect(textLeft - 2, 1, area.width() - textLeft + 1, area.height() - 2);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

void CheckBox::nextCheckState() {
    setValue(value() == 0 ? 1 : 0);
}

TextBox::TextBox(QWidget* parent) : QLineEdit(parent), Geometry(this) {
    // Typed, not dropped: what is dragged onto a box goes to the window, which takes folders.
    setAcceptDrops(false);
}

void TextBox::setText(const QString& text) {
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    QLineEdit::setText(nul < 0 ? text : text.left(nul));
}

void TextBox::keyPressEvent(QKeyEvent* event) {
    if (const std::int16_t code = keyCode(*event))
        emit keyDown(code, shiftBits(event->modifiers()));
    QLineEdit::keyPressEvent(event);
}

void TextBox::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        emit lostFocus();
}

Label::Label(QWidget* parent) : QLabel(parent), Geometry(this) {
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

}  // namespace toolkit
