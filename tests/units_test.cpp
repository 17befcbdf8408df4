#include "toolkit/controls/units.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "convert/batch/output_names.h"
#include "toolkit/common/failure.h"

using namespace toolkit;

TEST(Units, RoundsHalvesToTheEvenNeighbour) {
    EXPECT_EQ(roundHalfEven(0.5), 0);
    EXPECT_EQ(roundHalfEven(1.5), 2);
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
    EXPECT_EQ(roundHalfEven(-3.5), -4);
    EXPECT_EQ(roundHalfEven(4961.25), 4961);
    EXPECT_EQ(roundHalfEven(2.5000001), 3);
}

TEST(Units, ConversionsThatDoNotFitRaiseOverflow) {
    EXPECT_THROW(roundHalfEven(3e9), Failure);
    EXPECT_THROW(roundHalfEven(std::nan("")), Failure);
    EXPECT_THROW(toSingle(1e39), Failure);
    EXPECT_THROW(toSingle(std::numeric_limits<double>::infinity()), Failure);
    EXPECT_EQ(toSingle(4961.25), 4961.25f);
    EXPECT_THROW(divide(1.0, 0.0), Failure);
    EXPECT_EQ(divide(6615.0 * 9000.0, 12000.0), 4961.25);
}

TEST(Units, HalfFindsTheMiddleOfASide) {
    EXPECT_EQ(half(255), 127);
    EXPECT_EQ(half(254.5), 127);  // 254.5 rounds to 254
    EXPECT_EQ(half(255.5), 128);  // 255.5 rounds to 256
    EXPECT_EQ(half(-255), -127);  // the division truncates toward zero
}

TEST(Units, GeometrySnapsToWholePixels) {
    EXPECT_EQ(unitsToPixels(6615), 441);
    EXPECT_EQ(unitsToPixels(4961.25f), 331);  // 330.75 pixels
    EXPECT_EQ(unitsToPixels(7.5f), 0);        // half a pixel goes to the even neighbour
    EXPECT_EQ(unitsToPixels(22.5f), 2);
    EXPECT_EQ(unitsToPixels(499), 33);  // 33.27
    EXPECT_EQ(pixelsToUnits(331), 4965.0f);
}

TEST(Units, NumbersBecomePlainText) {
    EXPECT_EQ(numberToText(6615), QStringLiteral("6615"));
    EXPECT_EQ(numberToText(0), QStringLiteral("0"));
    EXPECT_EQ(numberToText(-15), QStringLiteral("-15"));
    EXPECT_EQ(numberToText(4961.25f), QStringLiteral("4961.25"));
    EXPECT_EQ(numberToText(1234567.0f), QStringLiteral("1234567"));
    EXPECT_EQ(numberToText(1.0f / 3.0f), QStringLiteral("0.3333333"));  // seven digits at most
    EXPECT_EQ(numberToText(123456789.0f), QStringLiteral("1.234568E+08"));
}

TEST(Units, ColoursAreBbggrr) {
    EXPECT_EQ(rgb(0, 0, 255), 0xFF0000u);
    EXPECT_EQ(rgb(255, 192, 255), 0xFFC0FFu);
    EXPECT_EQ(toBbggrr(QColor(0, 0, 255)), 0xFF0000u);
    EXPECT_EQ(fromBbggrr(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(fromBbggrr(rgb(12, 34, 56)), QColor(12, 34, 56));
}

TEST(Units, SkipOnFailureSwallowsAndGoesOn) {
    int after = 0;
    skipOnFailure([] { throw Failure(QStringLiteral("x")); });
    skipOnFailure([&] { after = 1; });
    EXPECT_EQ(after, 1);
}

TEST(OutputNames, PictureNamesByTheirLastThreeLetters) {
    for (const char* name : {"foto.jpg", "FOTO.JPG", "Foto.Gif", "x.bmp", "fotoJPG", "xjpg", "jpg"})
        EXPECT_TRUE(convert::isPictureName(QString::fromUtf8(name))) << name;
    for (const char* name : {"foto.jpeg", "foto.png", "jp", "", "foto.jpg.txt", "gi"})
        EXPECT_FALSE(convert::isPictureName(QString::fromUtf8(name))) << name;
}
