#pragma once

#include <QImage>

#include "toolkit/pictures/formats/bmp_headers.h"

namespace toolkit {

// Whether a BMP's rows are plain enough to be averaged as they are read: uncompressed, 8 bits
// through a palette, 24 bits, or 32 bits under the plain 40-byte header (whose fourth byte is no
// alpha), and large enough (4 megapixels and more) that holding it twice would cost much.
// Smaller or other files are left to Qt's reader, which judges them as it always has.
bool hasPlainBmpRows(const BmpHeader& header);

// Such a BMP averaged in blocks of `factor` x `factor` pixels as its rows are read (the blocks
// at the right and bottom edges as far as the picture goes): a picture `factor` times smaller
// each way, rounded up, as 32-bit RGB, for the ordinary scaling to finish. Rows the bytes do not
// hold are left black (the file's structure says it is cut). Null for any other file, and for a
// palette index the palette does not hold.
QImage readBmpReduced(const uchar* bytes, qint64 size, int factor);

}  // namespace toolkit
