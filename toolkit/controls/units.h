#pragma once

#include <QColor>
#include <QString>
#include <cstdint>

// The window's length unit is 1/1440 inch: 15 units per logical pixel. Positions and sizes are
// single-precision numbers in that unit; colours are 24-bit numbers written BBGGRR.
namespace toolkit {

inline constexpr int kUnitsPerPixel = 15;

// The largest extent, in pixels, that a control accepts for a position or a size.
inline constexpr int kMaxPixels = 32767;

// Nearest 32-bit integer, an exact half going to the even neighbour. Raises an overflow
// failure when the value does not fit (or is not a number).
std::int32_t roundHalfEven(double value);

// The middle of a side: the value rounded (halves to even) and divided by 2, truncating.
std::int32_t half(double value);

// Stores a double-precision result as single precision; an overflow failure when it does not
// fit, as the single-precision store would trap.
float toSingle(double value);

// Double-precision division that raises a division-by-zero failure instead of giving inf/NaN.
double divide(double numerator, double denominator);

// Geometry is kept in whole logical pixels: a stored length goes to the nearest pixel (an exact
// half to the even neighbour) and reads back as that pixel count times 15.
int unitsToPixels(float units);
float pixelsToUnits(int pixels);

// Plain decimal text: no leading blank, at most seven significant digits, no decimal part for
// a whole value.
QString numberToText(float value);

constexpr std::uint32_t rgb(int red, int green, int blue) {
    return (std::uint32_t(blue) << 16) | (std::uint32_t(green) << 8) | std::uint32_t(red);
}
std::uint32_t toBbggrr(const QColor& colour);
QColor fromBbggrr(std::uint32_t bbggrr);

}  // namespace toolkit
