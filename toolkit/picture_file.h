#pragma once

#include <QImage>
#include <QSize>
#include <QString>

namespace toolkit {

// Pictures larger than this are refused from their header, before any pixel memory is taken:
// a damaged or hostile file must not be able to claim gigabytes.
inline constexpr int kMaxPictureSide = 32767;
inline constexpr qint64 kMaxPicturePixels = 120'000'000;

// A picture as read from its file. Decoders go on over a file that is cut short and fill in
// what is missing; `damage` then says, in Spanish, what is wrong with the file (empty when the
// file holds the whole picture).
struct PictureRead {
    QImage image;
    QString damage;
};

// Reads a JPG, GIF or BMP file (recognised by its content), upright as its EXIF orientation
// says, first frame only. Raises a Failure whose message names the file and the reason when no
// picture can be made of it at all.
PictureRead readPictureFile(const QString& path);

// The picture of readPictureFile, whole or not: enough for showing it.
QImage loadPictureFile(const QString& path);

// The picture of readPictureFile; a file that holds only part of its picture is refused with a
// Failure, so that nothing is made from it as if it were whole.
QImage loadWholePictureFile(const QString& path);

// What is wrong with the file's structure, when its bytes end before the picture they describe
// does (JPG without the end of its data, GIF without the end of its first frame, BMP without
// all its rows); empty otherwise. `format` is the reader's name for it ("jpeg", "gif", "bmp").
QString pictureDamage(const QByteArray& format, const uchar* bytes, qint64 size);

}  // namespace toolkit
