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
    // An OS/2 bitmap with a short palette, its header rewritten for Qt's reader; Qt's reader
    // on the file as it is where that fails.
    Os2Bitmap,
    // Qt's reader, whole: GIF, BMP, and a JPEG whose header tells no size.
    Whole,
};

struct DecodePlan {
    DecodeRoute route = DecodeRoute::Whole;
    // The JPEG routes' reduction of each side; 1/1 for the others.
    JpegReduction reduction;
    // The picture the route gives, upright; not valid when the header tells no size.
    QSize decodedSize;
    // The most memory the decoding itself takes, in bytes, on this route or any it may end in:
    // a JPEG's file (it is decoded from memory), the decoded pixels (and the copy made while
    // turning them upright), for a JPEG whose decoder keeps all its coefficients those of the
    // whole picture whatever the reduction, and for a JPEG that Qt's reader may read whole the
    // whole picture's pixels. 0 for pixels when the header tells no size.
    qint64 memoryBytes = 0;
};

// The route readPictureFile(path, atLeast, ...) takes for a file with this header: reduced, for
// a JPEG, as long as it keeps at least `atLeast` pixels each way (upright); whole when
// `atLeast` is not a valid size.
DecodePlan planDecode(const PictureHeader& header, QSize atLeast);

}  // namespace toolkit
