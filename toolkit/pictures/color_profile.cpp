#include "toolkit/pictures/color_profile.h"

#include <lcms2.h>

#include <QColorSpace>
#include <QHash>
#include <QSysInfo>
#include <array>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "toolkit/pictures/formats/byte_order.h"

namespace toolkit {

namespace {

// The profile's pieces, in order: a piece missing or given twice, or more bytes than a profile
// may have, and there is no profile.
class Pieces {
  public:
    void setCount(int count) {
        if (pieces_.empty()) pieces_.resize(size_t(count));
        if (pieces_.size() != size_t(count)) broken_ = true;
    }
    void add(size_t index, const uchar* data, qint64 size) {
        if (index >= pieces_.size() || pieces_[index].first) broken_ = true;
        total_ += size;
        if (broken_ || total_ > kMaxProfileBytes) return;
        pieces_[index] = {data, size};
    }
    void fail() { broken_ = true; }
    QByteArray joined() const {
        if (broken_ || pieces_.empty() || total_ > kMaxProfileBytes) return {};
        QByteArray whole;
        whole.reserve(total_);
        for (const auto& [data, size] : pieces_) {
            if (!data) return {};
            whole.append(reinterpret_cast<const char*>(data), size);
        }
        return whole;
    }

  private:
    std::vector<std::pair<const uchar*, qint64>> pieces_;
    qint64 total_ = 0;
    bool broken_ = false;
};

// The marker segments before the first scan: APP2 "ICC_PROFILE" pieces (numbered from 1, each
// telling the count), the frame's channels, and Adobe's APP14 marker.
EmbeddedProfile jpegProfile(const uchar* d, qint64 n) {
    EmbeddedProfile found;
    if (n < 4 || d[0] != 0xFF || d[1] != 0xD8) return found;
    Pieces pieces;
    static const char kIcc[] = "ICC_PROFILE";  // with its NUL, 12 bytes
    qint64 i = 2;
    while (i + 4 <= n) {
        if (d[i] != 0xFF) {  // junk between segments, passed over as decoders do
            ++i;
            continue;
        }
        const uchar marker = d[i + 1];
        if (marker == 0xFF) {
            ++i;
            continue;
        }
        i += 2;
        if (marker == 0x01 || marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7)) continue;
        if (marker == 0xD9 || marker == 0xDA) break;
        const qint64 length = be16(d + i);
        if (length < 2 || i + length > n) break;
        const uchar* body = d + i + 2;
        const qint64 bodySize = length - 2;
        if (marker == 0xE2 && bodySize >= 14 && std::memcmp(body, kIcc, sizeof kIcc) == 0) {
            const int index = body[12], count = body[13];
            if (index < 1 || count < 1) {
                pieces.fail();
            } else {
                pieces.setCount(count);
                pieces.add(size_t(index - 1), body + 14, bodySize - 14);
            }
        } else if (marker == 0xEE && bodySize >= 5 && std::memcmp(body, "Adobe", 5) == 0) {
            found.invertedCmyk = true;
        } else if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
                   marker != 0xCC && bodySize >= 6) {
            found.channels = body[5];
        }
        i += length;
    }
    found.icc = pieces.joined();
    if (found.channels != 4) found.invertedCmyk = false;
    return found;
}

// The application extension "ICCRGBG1" with authentication code "012" holds the profile in its
// data sub-blocks. Blocks are walked to the trailer; pictures are passed over.
EmbeddedProfile gifProfile(const uchar* d, qint64 n) {
    EmbeddedProfile found;
    if (n < 13) return found;
    qint64 i = 13;
    if (d[10] & 0x80) i += 3LL << ((d[10] & 7) + 1);
    // Data sub-blocks up to their terminator, into `into` unless that is null.
    const auto subBlocks = [&](QByteArray* into) {
        for (;;) {
            if (i >= n) return false;
            const qint64 size = d[i++];
            if (size == 0) return true;
            if (i + size > n) return false;
            if (into && into->size() + size > kMaxProfileBytes) {
                into->clear();  // too large to be a profile: read on without keeping it
                into = nullptr;
            }
            if (into) into->append(reinterpret_cast<const char*>(d + i), size);
            i += size;
        }
    };
    while (i < n) {
        const uchar block = d[i++];
        if (block == 0x21) {
            if (i >= n) break;
            const uchar label = d[i++];
            if (label == 0xFF && i + 12 <= n && d[i] == 11 &&
                std::memcmp(d + i + 1, "ICCRGBG1012", 11) == 0) {
                i += 12;
                if (!subBlocks(&found.icc)) found.icc.clear();
                break;
            }
            if (!subBlocks(nullptr)) break;
        } else if (block == 0x2C) {
            if (i + 9 > n) break;
            const uchar packed = d[i + 8];
            i += 9;
            if (packed & 0x80) i += 3LL << ((packed & 7) + 1);
            if (++i > n || !subBlocks(nullptr)) break;
        } else {
            break;
        }
    }
    return found;
}

// A version 5 header whose colour space is PROFILE_EMBEDDED ('MBED') points at the profile,
// counting from the start of the header.
EmbeddedProfile bmpProfile(const uchar* d, qint64 n) {
    EmbeddedProfile found;
    constexpr qint64 kHeader = 14;
    if (n < kHeader + 124 || d[0] != 'B' || d[1] != 'M' || le32(d + kHeader) < 124) return found;
    if (le32(d + kHeader + 56) != 0x4D424544) return found;
    const qint64 at = kHeader + qint64(le32(d + kHeader + 112));
    const qint64 size = le32(d + kHeader + 116);
    if (size <= 0 || size > kMaxProfileBytes || at > n || size > n - at) return found;
    found.icc = QByteArray(reinterpret_cast<const char*>(d + at), size);
    return found;
}

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

void build(Conversion& conversion, const QByteArray& icc) {
    const ProfileHandle source(cmsOpenProfileFromMem(icc.constData(), cmsUInt32Number(icc.size())));
    if (!source.handle) return;
    switch (cmsGetDeviceClass(source.handle)) {
        case cmsSigInputClass:
        case cmsSigDisplayClass:
        case cmsSigOutputClass:
        case cmsSigColorSpaceClass:
            break;
        default:  // links, abstract and named-colour profiles describe no picture's colours
            return;
    }
    Conversion::Kind kind;
    cmsUInt32Number input;
    switch (cmsGetColorSpace(source.handle)) {
        case cmsSigRgbData:
            kind = Conversion::Kind::Rgb;
            input = kPixelFormat;
            break;
        case cmsSigGrayData:
            kind = Conversion::Kind::Grey;
            input = TYPE_GRAY_8;
            break;
        case cmsSigCmykData:
            kind = Conversion::Kind::Cmyk;
            input = TYPE_CMYK_8;
            break;
        default:
            return;
    }
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

    if (kind == Conversion::Kind::Grey) {
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
        conversion.kind = same ? Conversion::Kind::Same : kind;
        return;
    }
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

EmbeddedProfile embeddedProfile(const QByteArray& format, const uchar* bytes, qint64 size) {
    if (!bytes || size <= 0) return {};
    if (format == "jpeg" || format == "jpg") return jpegProfile(bytes, size);
    if (format == "gif") return gifProfile(bytes, size);
    if (format == "bmp" || format == "dib") return bmpProfile(bytes, size);
    return {};
}

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
