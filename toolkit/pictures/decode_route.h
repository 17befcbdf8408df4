#pragma once

#include <QSize>

#include "toolkit/pictures/picture_file.h"
#include "toolkit/pictures/scaled_jpeg.h"

namespace toolkit {

// How a picture file is decoded. Each route may end in another at decode time, for what the
// header cannot tell (damaged or cut data, a CMYK JPEG without a usable profile, a file that
// cannot be mapped, no memory): those endings are named here.
enum class DecodeRoute {
    // TurboJPEG at the reduction (a CMYK or YCCK one as inks, through its CMYK profile); Qt's
    // reader whole where that decoder does not take the file.
    ReducedJpeg,
    // A JPEG larger than what is decoded whole: only ever reduced, refused where TurboJPEG does
    // not take it.
    ReducedJpegOnly,
    // A BMP of plain rows (8, 24 or 32 bits, uncompressed) far larger than the target: its rows
    // averaged in blocks as they are read, by a whole factor; Qt's reader where that fails.
    ReducedBmp,
    // An OS/2 bitmap with a short palette, its header rewritten for Qt's reader; Qt's reader
    // on the file as it is where that fails.
    Os2Bitmap,
    // Qt's reader, whole: GIF, BMP, and a JPEG whose header tells no size.
    Whole,
};

struct DecodePlan {
    DecodeRoute route = DecodeRoute::Whole;
    // The reduced routes' reduction of each side; 1/1 for the others.
    JpegReduction reduction;
    // The picture the route gives, upright; not valid when the header tells no size.
    QSize decodedSize;
    // The most memory the decoding itself takes on this route, in bytes: the file (it is decoded
    // from memory), the decoded pixels (and the copy made while turning them upright), and for a
    // JPEG whose decoder keeps all its coefficients those of the whole picture whatever the
    // reduction. 0 for pixels when the header tells no size.
    qint64 memoryBytes = 0;
    // What the decoding takes where the route gives up and Qt's reader decodes the file whole
    // (asked for again then); 0 where that never happens.
    qint64 wholeMemoryBytes = 0;
};

// The route readPictureFile(path, atLeast, ...) takes for a file with this header: reduced, for
// a JPEG, as long as it keeps at least `atLeast` pixels each way (upright); whole when
// `atLeast` is not a valid size.
DecodePlan planDecode(const PictureHeader& header, QSize atLeast);

}  // namespace toolkit
