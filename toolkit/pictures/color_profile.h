#pragma once

#include <QByteArray>
#include <QImage>

namespace toolkit {

// Outputs are read as sRGB, by viewers that honour profiles and by those that do not alike, so a
// picture whose file says its numbers mean other colours (a phone's Display P3, a camera's Adobe
// RGB, a print file's CMYK) is converted to sRGB as it is read, through LittleCMS.

// More than any real profile needs (printer profiles reach a few megabytes): a file may split a
// profile over many segments, and what they add up to is read no further than this.
inline constexpr qint64 kMaxProfileBytes = 8 << 20;

// The colour profile a picture file carries, and what its numbers are.
struct EmbeddedProfile {
    QByteArray icc;  // empty when the file has none, or one that is incomplete
    // Channels the file stores: 1 grey, 3 RGB, 4 CMYK (JPEG); always 3 for GIF and BMP.
    int channels = 3;
    // CMYK stored inverted, 0 meaning full ink, as Adobe's programs write it (their marker).
    bool invertedCmyk = false;
};

// The profile of a JPEG (APP2 segments, reassembled in sequence), GIF (ICCRGBG1 application
// extension) or BMP (version 5 header, embedded). `format` is the reader's name for it.
EmbeddedProfile embeddedProfile(const QByteArray& format, const uchar* bytes, qint64 size);

// The decoded picture (grey or RGB, any QImage format) with its colours turned into sRGB. The
// picture comes back as it is when there is no profile, when the profile is sRGB itself or
// equivalent, or when it is damaged, refused by LittleCMS or not for the picture's channels:
// then the numbers are taken as sRGB, as for any untagged picture.
QImage convertedToSrgb(QImage picture, const EmbeddedProfile& profile);

// Pixels of 4 bytes C, M, Y, K (`stride` bytes a row) turned into sRGB through the profile, as
// 32-bit RGB. A null image when the profile is no usable CMYK profile.
QImage cmykToSrgb(uchar* cmyk, QSize size, qsizetype stride, const EmbeddedProfile& profile);

// True when pictures with this profile are converted at all (a usable profile for the file's
// channels that is not sRGB's equal).
bool profileChangesColours(const EmbeddedProfile& profile);

}  // namespace toolkit
