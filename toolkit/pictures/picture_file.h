#pragma once

#include <QImage>
#include <QImageIOHandler>
#include <QSize>
#include <QString>
#include <atomic>
#include <functional>

#include "toolkit/pictures/color_profile.h"
#include "toolkit/pictures/resampling.h"
#include "toolkit/system/photo_date.h"

namespace toolkit {

// What Qt's readers and painter take: a picture with a longer side is never decoded whole. What
// else bounds a picture is the memory it needs (see checkMemoryNeed).
inline constexpr int kMaxPictureSide = 32767;
// The largest drawing the frame may ask for (the size handles go as far as 32767 x 32767).
inline constexpr qint64 kMaxPicturePixels = 120'000'000;
// A JPEG is decoded no finer than its target needs, so one beyond that side is read as long as
// its reduced decode is within it, up to the format's own limit. Its data must be able to hold
// what its header claims.
inline constexpr int kMaxJpegSide = 65500;

// A picture as read from its file. Decoders go on over a file that is cut short and fill in
// what is missing; `damage` then says, in Spanish, what is wrong with the file (empty when the
// file holds the whole picture).
struct PictureRead {
    QImage image;
    QString damage;
    // The whole picture's size in pixels, upright, as its header says (the image's own size
    // where the header does not say); `image` may be a reduced copy of it.
    QSize naturalSize;
    // Read with Colours::AsStored: the profile `image` is still to be converted through
    // (convertedToSrgb), by the caller at the size it needs; otherwise empty.
    EmbeddedProfile unconverted;
    // When a JPEG photo was taken, from its EXIF; empty for every other picture.
    PhotoDate photoDate;
    // The filter that best finishes the picture as its route decoded it.
    ResamplingFilter finalFilter = ResamplingFilter::Sharp;
};

// Whether readPictureFile turns the picture's colours into sRGB (through the profile the file
// carries), or leaves that to the caller, who may first make the picture smaller.
enum class Colours { Srgb, AsStored };

// What a picture file's header says, read without decoding the picture.
struct PictureHeader {
    QByteArray format;  // the reader's name for it: "jpeg", "gif", "bmp", ...
    // Upright, as the EXIF orientation turns it; not valid when the header does not say.
    QSize naturalSize;
    QImageIOHandler::Transformations transformation = QImageIOHandler::TransformationNone;
    qint64 fileSize = 0;  // bytes; a JPEG's are all in memory while it is decoded
    // What the file's structure says of how it decodes (see planDecode). A JPEG's frame: its
    // colour components (0 where not known), and whether the decoder holds all its
    // coefficients at once (progressive, or a layout not known).
    int components = 0;
    bool keepsAllCoefficients = false;
    qint64 coefficientBytes = 0;  // what holding them all takes; 0 where not known
    // A BMP: an OS/2 bitmap with a short palette, read with its header rewritten; a large one of
    // plain rows, which may be averaged as its rows are read (see hasPlainBmpRows).
    bool os2ShortPalette = false;
    bool plainBmpRows = false;
};

// Reads and checks the header as readPictureFile does, raising the same Failures for a file
// that cannot be a picture, but decodes nothing: cheap, for learning a picture's size.
PictureHeader readPictureHeader(const QString& path);

// Reads a JPG, GIF or BMP file (recognised by its content), upright as its EXIF orientation
// says, first frame only. Raises a Failure whose message names the file and the reason when no
// picture can be made of it at all.
PictureRead readPictureFile(const QString& path);

// What the run a picture is decoded for adds to the decoding.
struct DecodeRun {
    // Once set, the decoding stops within a fraction of a second and the file is refused as not
    // read.
    const std::atomic<bool>* cancelled = nullptr;
    // Memory the caller takes beside the decoding (the scaled copy, the surface, the output),
    // counted in what the picture needs.
    qint64 besides = 0;
    // Asked for `extra` bytes more before Qt's reader decodes the file whole where the planned
    // route gave up; waits until they are given, and says false when the run was cancelled
    // meanwhile. Null: nothing is asked.
    std::function<bool(qint64 extra)> moreMemory;
};

// As readPictureFile, but the picture may be decoded reduced as long as it keeps at least
// `atLeast` pixels each way (upright), or its whole size when smaller: a JPEG is then decoded
// at the decoder's own reduced scale, far faster and in far less memory than whole. The natural
// size is the whole picture's all the same.
// Once `cancelled` (if given) is set, the decoding stops within a fraction of a second and the
// file is refused as not read.
// A picture that needs more memory than the machine can give it is refused before it is
// decoded, with what it needs and what is free (checkMemoryNeed).
PictureRead readPictureFile(const QString& path, QSize atLeast, Colours colours = Colours::Srgb,
                            const std::atomic<bool>* cancelled = nullptr);
PictureRead readPictureFile(const QString& path, QSize atLeast, Colours colours,
                            const DecodeRun& run);

// The picture of readPictureFile, whole or not: enough for showing it.
QImage loadPictureFile(const QString& path);

// As readPictureFile, but a file that holds only part of its picture is refused with a Failure,
// so that nothing is made or shown from it as if it were whole.
PictureRead readWholePictureFile(const QString& path, QSize atLeast = QSize());

// The picture of readWholePictureFile.
QImage loadWholePictureFile(const QString& path);

// What is wrong with the file's structure, when its bytes end before the picture they describe
// does (JPG without the end of its data, GIF without the end of its first frame, BMP without
// all its rows); empty otherwise. `format` is the reader's name for it ("jpeg", "gif", "bmp").
QString pictureDamage(const QByteArray& format, const uchar* bytes, qint64 size);

}  // namespace toolkit
