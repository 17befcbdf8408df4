#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "support/program_folder.h"
#include "toolkit/common/failure.h"
#include "toolkit/controls/file_list.h"
#include "toolkit/controls/image_control.h"
#include "toolkit/controls/picture_box.h"
#include "toolkit/controls/simple_controls.h"
#include "toolkit/controls/units.h"

using namespace toolkit;

TEST(Controls, GeometryIsStoredInWholePixelsAndReadBackInUnits) {
    QWidget window;
    PictureBox box(PictureBox::Border::FlatSingle, &window);
    box.setLeft(2520);
    box.setWidth(4961.25f);  // 330.75 pixels
    EXPECT_EQ(box.left(), 2520.0f);
    EXPECT_EQ(box.width(), 4965.0f);
    box.setTop(7.5f);  // half a pixel: the even neighbour, 0
    EXPECT_EQ(box.top(), 0.0f);
    box.setTop(22.5f);
    EXPECT_EQ(box.top(), 30.0f);

    // Values a control cannot take fail and leave it as it was.
    EXPECT_THROW(box.setWidth(-15), Failure);
    EXPECT_THROW(box.setHeight(float(kMaxPixels + 1) * kUnitsPerPixel), Failure);
    EXPECT_THROW(box.setLeft(1e12f), Failure);
    EXPECT_EQ(box.width(), 4965.0f);
    EXPECT_EQ(box.left(), 2520.0f);
}

TEST(Controls, ChildPositionsCountFromInsideTheContainersBorder) {
    QWidget window;
    PictureBox frame(PictureBox::Border::Sunken3D, &window);
    ImageControl image(&frame);
    image.setLeft(0);
    image.setTop(0);
    EXPECT_EQ(image.pos(), frame.contentsRect().topLeft());
    EXPECT_EQ(image.left(), 0.0f);
}

TEST(Controls, ImageStretchModeDecidesWhoGivesTheSize) {
    QWidget window;
    ImageControl image(&window);
    image.setWidth(6615);
    image.setHeight(5415);
    image.setPicture(QImage());  // no picture: keeps its size
    EXPECT_EQ(image.width(), 6615.0f);

    image.setPicture(quadrantPicture(80, 60));  // stretch off: the picture's natural size
    EXPECT_EQ(image.width(), 1200.0f);
    EXPECT_EQ(image.height(), 900.0f);

    image.setStretch(true);
    image.setWidth(3000);
    image.setPicture(quadrantPicture(10, 40));  // stretch on: keeps its own size
    EXPECT_EQ(image.width(), 3000.0f);
    EXPECT_EQ(image.height(), 900.0f);
    // And paints the picture scaled to fill it.
    const QImage shown = image.grab().toImage();
    EXPECT_EQ(shown.pixelColor(2, 2), QColor(220, 30, 30));
    EXPECT_EQ(shown.pixelColor(shown.width() - 3, shown.height() - 3), QColor(230, 230, 40));
}

TEST(Controls, TextBoxKeepsOnlyWhatPrecedesANul) {
    QWidget window;
    TextBox text(&window);
    text.setText(QStringLiteral("/fotos/playa.jpg") + QChar(u'\0') + QStringLiteral("    "));
    EXPECT_EQ(text.text(), QStringLiteral("/fotos/playa.jpg"));
}

TEST(Controls, CheckBoxValuesAndTheUsersClicks) {
    QWidget window;
    CheckBox box(&window);
    for (int value : {0, 1, 2}) {
        box.setValue(value);
        EXPECT_EQ(box.value(), value);
    }
    EXPECT_THROW(box.setValue(3), Failure);
    box.show();
    box.setValue(2);
    box.click();  // the user never lands on greyed: greyed goes to unticked
    EXPECT_EQ(box.value(), 0);
    box.click();
    EXPECT_EQ(box.value(), 1);
    box.click();
    EXPECT_EQ(box.value(), 0);
}

TEST(Controls, PictureBoxMovementIsInUnitsFromItsInnerCorner) {
    QWidget window;
    PictureBox handle(PictureBox::Border::FlatSingle, &window);
    handle.setWidth(255);
    handle.setHeight(255);
    QSignalSpy moved(&handle, &PictureBox::mouseMoved);
    // 1-pixel border: the pointer at pixel (11, 6) is 10 x 5 pixels into the inside.
    QMouseEvent move(QEvent::MouseMove, QPointF(11, 6), handle.mapToGlobal(QPointF(11, 6)),
                     Qt::NoButton, Qt::RightButton | Qt::MiddleButton, Qt::ShiftModifier);
    QCoreApplication::sendEvent(&handle, &move);
    ASSERT_EQ(moved.count(), 1);
    EXPECT_EQ(moved[0][0].value<std::int16_t>(), 2 | 4);
    EXPECT_EQ(moved[0][1].value<std::int16_t>(), 1);
    EXPECT_EQ(moved[0][2].toFloat(), 150.0f);
    EXPECT_EQ(moved[0][3].toFloat(), 75.0f);
}

TEST(Controls, FileListKeepsItsFolderWhenANewOneCannotBeListed) {
    ProgramFolder folder;
    QWidget window;
    FileList list(&window);
    list.setPath(folder.path());
    EXPECT_EQ(list.listCount(), 0);  // only sub-folders: no files
    EXPECT_THROW(list.setPath(folder.file(QStringLiteral("no-existe"))), Failure);
    EXPECT_EQ(list.path(), folder.path());
    EXPECT_THROW(list.list(0), Failure);
}
