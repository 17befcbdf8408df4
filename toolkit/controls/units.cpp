#include "toolkit/controls/units.h"

#include <cmath>
#include <limits>

#include "toolkit/common/failure.h"

namespace toolkit {

namespace {

const QString kOverflow = QStringLiteral("Desbordamiento");

double nearestEven(double value) {
    // rint follows the current rounding mode, which is round-to-nearest-even unless someone
    // changed it; do not depend on that.
    const double floor = std::floor(value);
    const double diff = value - floor;
    if (diff > 0.5) return floor + 1.0;
    if (diff < 0.5) return floor;
    return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

}  // namespace

std::int32_t roundHalfEven(double value) {
    if (!std::isfinite(value)) throw Failure(kOverflow);
    const double rounded = nearestEven(value);
    if (rounded < std::numeric_limits<std::int32_t>::min() ||
        rounded > std::numeric_limits<std::int32_t>::max())
        throw Failure(kOverflow);
    return static_cast<std::int32_t>(rounded);
}

std::int32_t half(double value) {
    return roundHalfEven(value) / 2;
}

float toSingle(double value) {
    if (std::isnan(value) || std::fabs(value) > std::numeric_limits<float>::max())
        throw Failure(kOverflow);
    return static_cast<float>(value);
}

double divide(double numerator, double denominator) {
    if (denominator == 0.0) throw Failure(QStringLiteral("División por cero"));
    return numerator / denominator;
}

int unitsToPixels(float units) {
    return roundHalfEven(static_cast<double>(units) / kUnitsPerPixel);
}

float pixelsToUnits(int pixels) {
    return static_cast<float>(pixels) * kUnitsPerPixel;
}

QString numberToText(float value) {
    if (value == 0.0f) return QStringLiteral("0");
    if (value == std::trunc(value) && std::fabs(value) < 1e7f)
        return QString::number(static_cast<qint64>(value));
    QString text = QString::number(static_cast<double>(value), 'g', 7);
    text.replace(QLatin1String("e+"), QLatin1String("E+"));
    text.replace(QLatin1String("e-"), QLatin1String("E-"));
    return text;
}

std::uint32_t toBbggrr(const QColor& colour) {
    return rgb(colour.red(), colour.green(), colour.blue());
}

QColor fromBbggrr(std::uint32_t bbggrr) {
    return QColor(int(bbggrr & 0xFF), int((bbggrr >> 8) & 0xFF), int((bbggrr >> 16) & 0xFF));
}

}  // namespace toolkit
