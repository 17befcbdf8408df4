#pragma once

#include <QImage>
#include <QSize>

namespace toolkit {

// A reduction the JPEG decoder makes while decoding (it drops the finer frequencies instead of
// decoding every pixel and throwing most away): num/denom of each side.
struct JpegReduction {
    int num = 1;
    int denom = 1;
    friend bool operator==(const JpegReduction&, const JpegReduction&) = default;
};

// The size a picture of `stored` pixels decodes to at that reduction (rounded up, as the
// decoder does).
QSize reducedSize(QSize stored, JpegReduction reduction);

// The strongest reduction of at most 1/1 at which the decoded picture still has at least
// `atLeast` pixels each way, so that scaling it down to that size loses nothing; 1/1 when
// `atLeast` is not a valid size or the picture is not larger.
JpegReduction jpegReductionFor(QSize stored, QSize atLeast);

// The JPEG data decoded at that reduction as 32-bit RGB, in the orientation it is stored in.
// A null image when this decoder cannot take it whole and clean (CMYK, damaged data, even a
// file that merely ends early, no memory): the caller then reads the file the ordinary way,
// which judges and says what is wrong as it always has.
QImage decodeJpegReduced(const uchar* data, qint64 size, JpegReduction reduction);

// A CMYK or YCCK JPEG's inks at that reduction, C, M, Y, K in the four bytes of each pixel of a
// 32-bit picture (not yet colours); null for any other JPEG, or on the same grounds as above.
QImage decodeJpegInksReduced(const uchar* data, qint64 size, JpegReduction reduction);

}  // namespace toolkit
