#include <algorithm>

#include "app/form1.h"
#include "app/size_readout.h"
#include "toolkit/controls/units.h"

// The two pairs of handles beside the preview frame set the target size: the width pair above
// it, the height pair to its left. Element 0 of each pair marks the frame's fixed edge; element 1
// is dragged, and its far edge is the frame's far edge.

namespace {

using toolkit::half;
using toolkit::toSingle;

// The movable handle of the pair touched last turns blue, the other white: the batch run reads
// Picture2(1)'s colour to know which dimension drives its own refit.
constexpr std::uint32_t kTouched = toolkit::rgb(0, 0, 255);
constexpr std::uint32_t kOther = toolkit::rgb(255, 255, 255);

// A handle dragged closer than this to the frame's fixed edge is put back a little further out,
// so the frame never gets too small to grab.
constexpr double kSnapThreshold = 500;
constexpr double kSnapPosition = 550;

// Where a dragged handle's near edge goes: the pointer's offset added to it, kept where the
// control can still stand with its far edge inside the window's reach.
float movedEdge(float edge, float offset, float side) {
    const double farthest = reachBeyond(0);
    return float(std::clamp(double(toSingle(double(edge) + offset)), -farthest, farthest - side));
}

// Greyed counts as ticked. A kept proportion with a side of 0 has nothing to keep.
bool keepsProportion(const Form1& form) {
    return form.Check2(2).value() != 0 && form.SourceWidth > 0 && form.SourceHeight > 0;
}

void showFrameSize(Form1& form) {
    showSize(form.Text1(0), form.Picture1->width());
    showSize(form.Text1(1), form.Picture1->height());
}

}  // namespace

void Form1::Picture2_MouseMove(std::int16_t Index, std::int16_t Button, std::int16_t, float X,
                               float) {
    Picture2(1).setBackColor(kTouched);
    Picture3(1).setBackColor(kOther);
    // A drag on the fixed handle moves nothing: its offsets are measured from the fixed handle
    // and would push the other one further along at every movement.
    if (Button != 0 && Index != 0) {
        Picture2(1).setLeft(movedEdge(Picture2(1).left(), X, Picture2(1).width()));
        if (toSingle(double(Picture1->left()) + kSnapThreshold) > Picture2(1).left())
            Picture2(1).setLeft(toSingle(double(Picture1->left()) + kSnapPosition));
        Line1.setX2(Picture2(1).left());
        Line1.setY2(toSingle(double(Picture2(1).top()) + half(Picture2(1).height())));
        Image1->setStretch(true);
        Picture1->setWidth(
            toSingle(double(Picture2(1).left()) - Picture1->left() + Picture2(1).width()));
        if (keepsProportion(*this))
            refitHeightToKeptProportion([](auto&& step) { step(); });
        else
            Image1->setWidth(Picture1->width());
    }
    showFrameSize(*this);
    repaint();
}

void Form1::Picture3_MouseMove(std::int16_t Index, std::int16_t Button, std::int16_t, float,
                               float Y) {
    Picture3(1).setBackColor(kTouched);
    Picture2(1).setBackColor(kOther);
    if (Button != 0 && Index != 0) {
        Picture3(1).setTop(movedEdge(Picture3(1).top(), Y, Picture3(1).height()));
        if (toSingle(double(Picture1->top()) + kSnapThreshold) > Picture3(1).top())
            Picture3(1).setTop(toSingle(double(Picture1->top()) + kSnapPosition));
        Line2.setX2(toSingle(double(Picture3(1).left()) + half(Picture3(1).width())));
        Line2.setY2(Picture3(1).top());
        Image1->setStretch(true);
        Picture1->setHeight(
            toSingle(double(Picture3(1).top()) - Picture1->top() + Picture3(1).height()));
        if (keepsProportion(*this))
            refitWidthToKeptProportion([](auto&& step) { step(); });
        else
            Image1->setHeight(Picture1->height());
    }
    showFrameSize(*this);
    repaint();
}
