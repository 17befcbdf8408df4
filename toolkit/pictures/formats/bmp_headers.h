#pragma once

#include <QtGlobal>

namespace toolkit {

// A BMP file's headers: the 14-byte file header ("BM", size, where the rows begin), then the
// information header, whose own size tells its kind: 12 for OS/2 1.x (16-bit sizes), 40 and up
// for Windows and OS/2 2.x (64), 124 for version 5, which may point at a colour profile.
struct BmpHeader {
    static constexpr qint64 kFileHeader = 14;

    qint64 rowsAt = 0;       // from the start of the file
    quint32 headerSize = 0;  // of the information header
    // Width, height, depth and compression are read from a 12-byte header or from one of 40
    // bytes or more, as far as the bytes hold them; otherwise `sized` is false.
    bool sized = false;
    qint64 width = 0;
    qint64 height = 0;  // negative for rows stored top-down
    quint32 bits = 0;
    quint32 compression = 0;
    quint32 coloursUsed = 0;  // the palette's colours as the header counts them; 0 for all
    // Version 5: the colour space ('MBED' for an embedded profile) and where the profile lies,
    // counted from the start of the information header; all 0 otherwise.
    quint32 colourSpace = 0;
    qint64 profileAt = 0;
    qint64 profileSize = 0;
};

inline bool isBmp(const uchar* bytes, qint64 size) {
    return size >= 2 && bytes[0] == 'B' && bytes[1] == 'M';
}

// The fields the bytes hold; at least 18 bytes of a file starting with "BM" (else all 0).
BmpHeader readBmpHeader(const uchar* bytes, qint64 size);

}  // namespace toolkit
