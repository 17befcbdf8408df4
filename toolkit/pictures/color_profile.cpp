#include "toolkit/pictures/color_profile.h"

#include <lcms2.h>

#include <QColorSpace>
#include <QHash>
#include <QSysInfo>
#include <array>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace toolkit {

namespace {

// 32-bit pixels as QImage keeps them: B, G, R, A in memory on a little-endian machine.
const cmsUInt32Number kPixelFormat =
    QSysInfo::ByteOrder == QSysInfo::LittleEndian ? TYPE_BGRA_8 : TYPE_ARGB_8;

// What reading through one profile takes: built once per distinct profile.
struct Conversion {
    enum class Kind { None, Same, Rgb, Grey, Cmyk };
    Kind kind = Kind::None;
    cmsHTRANSFORM transform = nullptr;  // Rgb and Cmyk: into kPixelFormat
    std::array<QRgb, 256> greys{};      // Grey: the sRGB colour of each level
    std::once_flag built;

    Conversion() = default;
    Conversion(const Conversion&) = delete;
    Conversion& operator=(const Conversion&) = delete;
    ~Conversion() {
        if (transform) cmsDeleteTransform(transform);
    }
};

struct ProfileHandle {
    cmsHPROFILE handle;
    explicit ProfileHandle(cmsHPROFILE opened) : handle(opened) {}
    ~ProfileHandle() {
        if (handle) cmsCloseProfile(handle);
    }
};

// Whether the transform leaves every colour of a coarse grid within one level: sRGB itself, or
// a profile of the same colorants and curves under another name or version.
bool changesNothing(cmsHTRANSFORM transform) {
    std::vector<QRgb> grid, seen;
    for (int r = 0; r <= 256; r += 32)
        for (int g = 0; g <= 256; g += 32)
            for (int b = 0; b <= 256; b += 32)
                grid.push_back(qRgb(std::min(r, 255), std::min(g, 255), std::min(b, 255)));
    seen = grid;
    cmsDoTransform(transform, seen.data(), seen.data(), cmsUInt32Number(seen.size()));
    for (size_t i = 0; i < grid.size(); ++i)
        if (std::abs(qRed(grid[i]) - qRed(seen[i])) > 1 ||
            std::abs(qGreen(grid[i]) - qGreen(seen[i])) > 1 ||
            std::abs(qBlue(grid[i]) - qBlue(seen[i])) > 1)
            return false;
    return true;
}

// Profiles that describe a picture's colours, and in what kind of pixels: links, abstract and
// named-colour profiles describe none.
bool describesPictures(cmsHPROFILE profile) {
    switch (cmsGetDeviceClass(profile)) {
        case cmsSigInputClass:
        case cmsSigDisplayClass:
        case cmsSigOutputClass:
        case cmsSigColorSpaceClass:
            return true;
        default:
            return false;
    }
}

// The kind of conversion and the pixels it reads; None for colour spaces no picture here has.
std::pair<Conversion::Kind, cmsUInt32Number> kindOf(cmsHPROFILE profile) {
    switch (cmsGetColorSpace(profile)) {
        case cmsSigRgbData:
            return {Conversion::Kind::Rgb, kPixelFormat};
        case cmsSigGrayData:
            return {Conversion::Kind::Grey, TYPE_GRAY_8};
        case cmsSigCmykData:
            return {Conversion::Kind::Cmyk, TYPE_CMYK_8};
        default:
            return {Conversion::Kind::None, 0};
    }
}

// A grey profile's 256 levels as sRGB colours, once: the transform is not kept.
void buildGreys(Conversion& conversion, cmsHTRANSFORM transform) {
    std::array<uchar, 256> levels;
    std::array<uchar, 256 * 3> colours;
    for (int level = 0; level < 256; ++level) levels[size_t(level)] = uchar(level);
    cmsDoTransform(transform, levels.data(), colours.data(), 256);
    cmsDeleteTransform(transform);
    bool same = true;
    for (size_t level = 0; level < 256; ++level) {
        const uchar* c = &colours[level * 3];
        conversion.greys[level] = qRgb(c[0], c[1], c[2]);
        for (int channel = 0; channel < 3; ++channel)
            same = same && std::abs(int(c[channel]) - int(level)) <= 1;
    }
    conversion.kind = same ? Conversion::Kind::Same : Conversion::Kind::Grey;
}

void build(Conversion& conversion, const QByteArray& icc) {
    const ProfileHandle source(cmsOpenProfileFromMem(icc.constData(), cmsUInt32Number(icc.size())));
    if (!source.handle || !describesPictures(source.handle)) return;
    const auto [kind, input] = kindOf(source.handle);
    if (kind == Conversion::Kind::None) return;
    // Perceptual where the profile has a table made for it (print and camera profiles map
    // their wider range into smaller ones with care); otherwise relative colorimetric, with
    // black point compensation so that a profile with a lighter black keeps its shadows apart.
    const bool perceptual = cmsIsCLUT(source.handle, INTENT_PERCEPTUAL, LCMS_USED_AS_INPUT);
    const cmsUInt32Number intent = perceptual ? INTENT_PERCEPTUAL : INTENT_RELATIVE_COLORIMETRIC;
    const ProfileHandle srgb(cmsCreate_sRGBProfile());
    const cmsUInt32Number output = kind == Conversion::Kind::Grey ? TYPE_RGB_8 : kPixelFormat;
    // Pictures are converted in place: the fourth byte of each pixel (alpha, or the unused
    // byte) is left as it is. Photos seldom repeat a colour, so the one-colour cache only costs.
    const cmsUInt32Number flags = cmsFLAGS_BLACKPOINTCOMPENSATION | cmsFLAGS_NOCACHE;
    cmsHTRANSFORM transform =
        cmsCreateTransform(source.handle, input, srgb.handle, output, intent, flags);
    if (!transform) return;

    if (kind == Conversion::Kind::Grey) return buildGreys(conversion, transform);
    if (kind == Conversion::Kind::Rgb && changesNothing(transform)) {
        cmsDeleteTransform(transform);
        conversion.kind = Conversion::Kind::Same;
        return;
    }
    conversion.transform = transform;
    conversion.kind = kind;
}

// One conversion per distinct profile, shared by every thread that reads pictures: a run of
// photos from one phone builds a single transform. LittleCMS transforms may be used from several
// threads at once.
std::shared_ptr<Conversion> conversionFor(const QByteArray& icc) {
    static std::mutex mutex;
    static QHash<QByteArray, std::shared_ptr<Conversion>> made;
    std::shared_ptr<Conversion> conversion;
    {
        const std::lock_guard lock(mutex);
        // A folder rarely holds more than a handful of profiles; past that, start afresh rather
        // than keep every transform ever built.
        if (made.size() >= 32 && !made.contains(icc)) made.clear();
        std::shared_ptr<Conversion>& slot = made[icc];
        if (!slot) slot = std::make_shared<Conversion>();
        conversion = slot;
    }
    std::call_once(conversion->built, [&] { build(*conversion, icc); });
    return conversion;
}

std::shared_ptr<Conversion> conversionFor(const EmbeddedProfile& profile) {
    if (profile.icc.isEmpty()) return {};
    std::shared_ptr<Conversion> conversion = conversionFor(profile.icc);
    const Conversion::Kind kind = conversion->kind;
    const bool fits = (kind == Conversion::Kind::Rgb && profile.channels == 3) ||
                      (kind == Conversion::Kind::Grey && profile.channels == 1) ||
                      (kind == Conversion::Kind::Cmyk && profile.channels == 4);
    return fits ? conversion : nullptr;
}

QImage convertedRgb(QImage picture, cmsHTRANSFORM transform) {
    if (picture.colorCount() > 0 && picture.depth() <= 8) {  // a palette: convert just that
        QList<QRgb> colours = picture.colorTable();
        cmsDoTransform(transform, colours.data(), colours.data(), cmsUInt32Number(colours.size()));
        picture.setColorTable(colours);
        return picture;
    }
    // Premultiplied colours are not the picture's colours: the profile applies to those.
    const QImage::Format format =
        picture.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    if (picture.format() != format) picture = std::move(picture).convertToFormat(format);
    if (picture.isNull()) return picture;
    uchar* pixels = picture.bits();
    if (!pixels) return picture;
    cmsDoTransformLineStride(transform, pixels, pixels, cmsUInt32Number(picture.width()),
                             cmsUInt32Number(picture.height()),
                             cmsUInt32Number(picture.bytesPerLine()),
                             cmsUInt32Number(picture.bytesPerLine()), 0, 0);
    return picture;
}

QImage convertedGrey(QImage picture, const std::array<QRgb, 256>& greys) {
    QImage colours(picture.size(),
                   picture.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (colours.isNull()) return picture;
    if (picture.format() == QImage::Format_Grayscale8) {
        for (int y = 0; y < picture.height(); ++y) {
            const uchar* in = picture.constScanLine(y);
            auto* out = reinterpret_cast<QRgb*>(colours.scanLine(y));
            for (int x = 0; x < picture.width(); ++x) out[x] = greys[in[x]];
        }
        return colours;
    }
    // A grey file decoded into colour has the same level in every channel.
    picture = std::move(picture).convertToFormat(colours.format());
    for (int y = 0; y < picture.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(colours.scanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            out[x] = (greys[size_t(qGreen(in[x]))] & 0xffffff) | (in[x] & 0xff000000);
    }
    return colours;
}

}  // namespace

bool profileChangesColours(const EmbeddedProfile& profile) {
    const std::shared_ptr<Conversion> conversion = conversionFor(profile);
    return conversion && conversion->kind != Conversion::Kind::Same;
}

QImage convertedToSrgb(QImage picture, const EmbeddedProfile& profile) {
    if (picture.isNull()) return picture;
    const std::shared_ptr<Conversion> conversion = conversionFor(profile);
    if (!conversion) return picture;
    QImage converted;
    if (conversion->kind == Conversion::Kind::Rgb)
        converted = convertedRgb(std::move(picture), conversion->transform);
    else if (conversion->kind == Conversion::Kind::Grey)
        converted = convertedGrey(std::move(picture), conversion->greys);
    else
        return picture;
    // Qt's reader may have noted the file's colour space; what the picture now holds is sRGB.
    if (converted.colorSpace().isValid()) converted.setColorSpace(QColorSpace::SRgb);
    return converted;
}

QImage cmykToSrgb(uchar* cmyk, QSize size, qsizetype stride, const EmbeddedProfile& profile) {
    const std::shared_ptr<Conversion> conversion = conversionFor(profile);
    if (!conversion || conversion->kind != Conversion::Kind::Cmyk) return {};
    QImage picture(size, QImage::Format_RGB32);
    if (picture.isNull()) return {};
    picture.fill(0xffffffff);  // the transform writes colours only, not the unused byte
    for (int y = 0; y < size.height(); ++y) {
        uchar* in = cmyk + y * stride;
        if (profile.invertedCmyk)
            for (qsizetype i = 0; i < qsizetype(size.width()) * 4; ++i) in[i] ^= 0xff;
        cmsDoTransform(conversion->transform, in, picture.scanLine(y),
                       cmsUInt32Number(size.width()));
    }
    return picture;
}

}  // namespace toolkit
