#include <optional>

#include "app/form1.h"
#include "app/size_readout.h"
#include "toolkit/controls/keys.h"
#include "toolkit/controls/units.h"

// The size without a mouse: the arrow keys on a handle and a size typed into ANCHO or ALTO
// move the movable handle as a drag does, through the very handlers of the drag, so that the
// snap, the refit, the readouts and the last-touched marker are the mouse's own.

namespace {

namespace keys = toolkit::keys;
using toolkit::toSingle;

// What the handlers see of a drag: the movable handle's own movement with the left button held.
constexpr std::int16_t kMovable = 1;
constexpr std::int16_t kButtonHeld = 1;

// One pixel a key press; ten with Shift.
float keyStep(std::int16_t shift) {
    return float(toolkit::kUnitsPerPixel * ((shift & toolkit::kShiftBit) ? 10 : 1));
}

// A whole number of the window's unit, blanks around it allowed, no larger than `largest`.
std::optional<float> typedSize(const QString& text, double largest) {
    const QString digits = text.trimmed();
    if (digits.isEmpty()) return std::nullopt;
    for (const QChar c : digits)
        if (c < u'0' || c > u'9') return std::nullopt;
    bool ok = false;
    const qulonglong size = digits.toULongLong(&ok);
    if (!ok || double(size) > largest) return std::nullopt;
    return float(size);
}

}  // namespace

void Form1::Picture2_KeyDown(std::int16_t, std::int16_t KeyCode, std::int16_t Shift) {
    if (KeyCode == keys::Left || KeyCode == keys::Right)
        Picture2_MouseMove(kMovable, kButtonHeld, Shift,
                           KeyCode == keys::Left ? -keyStep(Shift) : keyStep(Shift), 0);
}

void Form1::Picture3_KeyDown(std::int16_t, std::int16_t KeyCode, std::int16_t Shift) {
    if (KeyCode == keys::Up || KeyCode == keys::Down)
        Picture3_MouseMove(kMovable, kButtonHeld, Shift, 0,
                           KeyCode == keys::Up ? -keyStep(Shift) : keyStep(Shift));
}

void Form1::Text1_KeyDown(std::int16_t Index, std::int16_t KeyCode, std::int16_t) {
    if (KeyCode == keys::Return)
        takeTypedSize(Index);
    else if (KeyCode == keys::Escape)
        showSize(Text1(Index), Index == 0 ? Picture1->width() : Picture1->height());
}

void Form1::Text1_LostFocus(std::int16_t Index) {
    takeTypedSize(Index);
}

void Form1::takeTypedSize(std::int16_t Index) {
    toolkit::TextBox& box = Text1(Index);
    // Passing through the box, or Enter on what the program wrote, changes nothing: not even
    // which side drives the run.
    if (!box.isModified()) return;
    const bool width = Index == 0;
    const float fixedEdge = width ? Picture1->left() : Picture1->top();
    const std::optional<float> size = typedSize(box.text(), reachBeyond(fixedEdge));
    if (!size) {
        showSize(box, width ? Picture1->width() : Picture1->height());
        return;
    }
    // The movable handle's far edge on the frame's far edge for that size.
    toolkit::PictureBox& handle = width ? Picture2(kMovable) : Picture3(kMovable);
    const float nearEdge =
        toSingle(double(fixedEdge) + *size - (width ? handle.width() : handle.height()));
    if (width)
        Picture2_MouseMove(kMovable, kButtonHeld, 0, toSingle(double(nearEdge) - handle.left()), 0);
    else
        Picture3_MouseMove(kMovable, kButtonHeld, 0, 0, toSingle(double(nearEdge) - handle.top()));
}
