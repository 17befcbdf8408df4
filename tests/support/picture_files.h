#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QList>
#include <QRect>
#include <QString>
#include <array>
#include <map>

// Picture files made for tests, and ways to look into the JPEG files the program writes.

// A GIF of the picture, each pixel taking the nearest of up to four palette colours. With
// `transparent` >= 0 that palette index is see-through. Qt reads GIFs but cannot write them.
QByteArray gifBytes(const QImage& picture, const QList<QColor>& palette, int transparent = -1);
// A busy picture whose compressed data outweighs its headers, so that a cut file still decodes.
QImage busyPicture(int width, int height);
QByteArray jpegBytes(const QImage& picture, int quality = 95);
// A progressive JPEG of the picture whose last scan is given `repeats` more times, as a hostile
// file repeats it to keep decoders busy.
QByteArray progressiveJpegBytes(const QImage& picture, int repeats = 0);
QByteArray bmpBytes(const QImage& picture);
void writeBytes(const QString& path, const QByteArray& bytes);
QByteArray readBytes(const QString& path);

// The average colour of a region of a picture.
QColor meanColour(const QImage& picture, const QRect& region);
// True when every channel of the two colours is within `tolerance`.
bool near(const QColor& a, const QColor& b, int tolerance);

// What a JPEG file's marker segments say about how it was encoded.
struct JpegMarkers {
    bool progressive = false;  // a SOF2 frame
    bool baseline = false;     // a SOF0 frame
    // Quantisation tables by number, in natural (row by row) order.
    std::map<int, std::array<int, 64>> tables;
};
JpegMarkers jpegMarkers(const QByteArray& jpeg);

// The table libjpeg makes for a quality from the standard's example tables (0 luminance,
// 1 chrominance), in natural order.
std::array<int, 64> libjpegQuantTable(int which, int quality);
