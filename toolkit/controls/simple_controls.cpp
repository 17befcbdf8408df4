#include "simple_controls.h"

#include "../failure.h"
#include "../units.h"

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
    QPalette colours = palette();
    colours.setColor(QPalette::Window, fromBbggrr(bbggrr));
    setPalette(colours);
    setAutoFillBackground(true);
}

void CheckBox::nextCheckState() {
    setValue(value() == 0 ? 1 : 0);
}

TextBox::TextBox(QWidget* parent) : QLineEdit(parent), Geometry(this) {}

void TextBox::setText(const QString& text) {
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    QLineEdit::setText(nul < 0 ? text : text.left(nul));
}

Label::Label(QWidget* parent) : QLabel(parent), Geometry(this) {
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

}  // namespace toolkit
