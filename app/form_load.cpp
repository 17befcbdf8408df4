#include "app/form1.h"
#include "app/size_readout.h"
#include "toolkit/common/failure.h"
#include "toolkit/controls/units.h"

// Start-up: maximise, list the program folder, put the handles and their lines on the frame's
// edges, show the sample picture and take the kept proportion from it. Every step goes on
// whatever the previous one did; a missing or damaged sample leaves the layout's proportion.
void Form1::Form_Load() {
    using toolkit::half;
    using toolkit::skipOnFailure;
    using toolkit::toSingle;
    const auto sum = [](double a, double b) { return toSingle(a + b); };

    skipOnFailure([&] { setWindowState(windowState() | Qt::WindowMaximized); });
    skipOnFailure([&] { File1->setPath(system_.programFolder()); });
    skipOnFailure([&] {
        Picture2(1).setLeft(
            toSingle(double(Picture1->left()) + Picture1->width() - Picture2(1).width()));
    });
    skipOnFailure([&] { Line1.setX1(sum(Picture2(0).left(), Picture2(0).width())); });
    skipOnFailure([&] { Line1.setY1(sum(Picture2(0).top(), half(Picture2(0).height()))); });
    skipOnFailure([&] { Line1.setX2(Picture2(1).left()); });
    skipOnFailure([&] { Line1.setY2(sum(Picture2(1).top(), half(Picture2(1).height()))); });
    skipOnFailure([&] { Line2.setX1(sum(Picture3(0).left(), half(Picture3(0).width()))); });
    skipOnFailure([&] { Line2.setY1(sum(Picture3(0).top(), Picture3(0).height())); });
    skipOnFailure([&] { Check1->hide(); });
    skipOnFailure([&] { Image1->setStretch(false); });
    skipOnFailure(
        [&] { Image1->loadPicture(system_.programFolder() + QStringLiteral("/muestra.jpg")); });
    skipOnFailure([&] { SourceWidth = Image1->width(); });
    skipOnFailure([&] { SourceHeight = toolkit::roundHalfEven(Image1->height()); });
    skipOnFailure([&] { Image1->setStretch(true); });
    refitHeightToKeptProportion([](auto&& step) { skipOnFailure(step); });
    skipOnFailure([&] { showSize(Text1(0), Picture1->width()); });
    skipOnFailure([&] { showSize(Text1(1), Picture1->height()); });
    skipOnFailure([&] { Text2->hide(); });
}
