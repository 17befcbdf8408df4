#include "toolkit/controls/keys.h"

namespace toolkit {

std::int16_t shiftBits(Qt::KeyboardModifiers modifiers) {
    std::int16_t bits = 0;
    if (modifiers & Qt::ShiftModifier) bits |= kShiftBit;
    if (modifiers & Qt::ControlModifier) bits |= 2;
    if (modifiers & Qt::AltModifier) bits |= 4;
    return bits;
}

std::int16_t keyCode(const QKeyEvent& event) {
    switch (event.key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return keys::Return;
        case Qt::Key_Escape:
            return keys::Escape;
        case Qt::Key_Left:
            return keys::Left;
        case Qt::Key_Up:
            return keys::Up;
        case Qt::Key_Right:
            return keys::Right;
        case Qt::Key_Down:
            return keys::Down;
        default:
            return 0;
    }
}

}  // namespace toolkit
