// The colour profile path: any bytes, read as a JPEG, GIF or BMP that may carry a profile, or
// handed to LittleCMS as a profile themselves, for grey, RGB and CMYK pictures. Nothing may
// crash, hang or claim the sizes a damaged profile tells.
#include <QImage>
#include <cstdint>
#include <cstdlib>

#include "toolkit/pictures/color_profile.h"

namespace {

void convertThrough(const toolkit::EmbeddedProfile& profile) {
    QImage colours(7, 5, QImage::Format_ARGB32);
    colours.fill(qRgba(200, 40, 90, 128));
    QImage grey(7, 5, QImage::Format_Grayscale8);
    grey.fill(77);
    const QImage converted = toolkit::convertedToSrgb(colours, profile);
    if (converted.size() != colours.size()) std::abort();
    if (toolkit::convertedToSrgb(grey, profile).size() != grey.size()) std::abort();
    uchar inks[7 * 5 * 4] = {};
    const QImage printed = toolkit::cmykToSrgb(inks, QSize(7, 5), 7 * 4, profile);
    if (!printed.isNull() && printed.size() != QSize(7, 5)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto* bytes = reinterpret_cast<const uchar*>(data);
    for (const char* format : {"jpeg", "gif", "bmp"}) {
        const toolkit::EmbeddedProfile found =
            toolkit::embeddedProfile(format, bytes, qint64(size));
        if (found.icc.size() > toolkit::kMaxProfileBytes) std::abort();
        convertThrough(found);
    }
    for (const int channels : {1, 3, 4}) {
        toolkit::EmbeddedProfile raw;
        raw.icc = QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
        raw.channels = channels;
        raw.invertedCmyk = size % 2;
        convertThrough(raw);
    }
    return 0;
}
