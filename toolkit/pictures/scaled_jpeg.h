#pragma once

#include <QImage>
#include <QSize>
#include <atomic>

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

// A progressive JPEG may repeat its scans without end, each a pass over every coefficient of
// the picture: a file of a few hundred kilobytes can keep a decoder for minutes. Encoders write
// about ten; a file with more than this many is refused.
inline constexpr int kMaxJpegScans = 100;

enum class JpegDecodeEnd {
    Done,
    Refused,       // not a file this decoder takes whole and clean (see above)
    TooManyScans,  // more than kMaxJpegScans
    Cancelled,     // `cancelled` was set while it decoded
};

struct JpegDecode {
    QImage picture;  // null unless Done
    JpegDecodeEnd end = JpegDecodeEnd::Refused;
};

// Either of the above (`inks` for the second), stopping within a fraction of a second once
// `cancelled` (if given) is set, and at the scan limit.
JpegDecode decodeJpeg(const uchar* data, qint64 size, JpegReduction reduction, bool inks,
                      const std::atomic<bool>* cancelled = nullptr);

}  // namespace toolkit
