#include "toolkit/pictures/formats/jpeg_segments.h"

#include <cstring>

#include "toolkit/pictures/formats/byte_order.h"

namespace toolkit {

bool JpegSegments::next(JpegSegment& segment) {
    if (stop_ != JpegStop::Walking) return false;
    for (;;) {
        if (i_ >= n_) return end(JpegStop::Cut);
        if (d_[i_] != 0xFF) {
            if (!rules_.passJunk) return end(JpegStop::Junk);
            const void* ff = std::memchr(d_ + i_, 0xFF, size_t(n_ - i_));
            if (!ff) return end(JpegStop::Cut);
            i_ = static_cast<const uchar*>(ff) - d_;
        }
        const qint64 at = i_;
        while (i_ < n_ && d_[i_] == 0xFF) ++i_;  // fill bytes before the marker
        if (i_ >= n_) return end(JpegStop::Cut);
        const uchar marker = d_[i_++];
        if (marker == 0x00 && rules_.zeroIsStuffing) continue;
        if (rules_.bareMarkers) {
            if (marker == 0x01 || marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7)) continue;
            if (marker == 0xD9) return end(JpegStop::EndOfImage);
        }
        if (i_ + 2 > n_) return end(JpegStop::Cut);
        const qint64 length = be16(d_ + i_);
        if (length < 2 || i_ + length > n_) return end(JpegStop::Cut);
        segment = {marker, d_ + i_ + 2, length - 2, at};
        i_ += length;
        return true;
    }
}

namespace {

// The frame header's body: precision, height, width, the component count, then three bytes a
// component (its id, its sampling as two 4-bit factors, its table).
qint64 coefficientBytes(const JpegSegment& frame) {
    const int components = frame.body[5];
    if (frame.size < 6 + 3 * qint64(components)) return 0;
    const qint64 height = be16(frame.body + 1), width = be16(frame.body + 3);
    int hMax = 1, vMax = 1;
    for (int c = 0; c < components; ++c) {
        hMax = std::max(hMax, frame.body[7 + 3 * c] >> 4);
        vMax = std::max(vMax, frame.body[7 + 3 * c] & 15);
    }
    qint64 blocks = 0;
    for (int c = 0; c < components; ++c) {
        const qint64 h = frame.body[7 + 3 * c] >> 4, v = frame.body[7 + 3 * c] & 15;
        blocks +=
            ((width * h + hMax - 1) / hMax + 7) / 8 * (((height * v + vMax - 1) / vMax + 7) / 8);
    }
    return blocks * 64 * 2;
}

}  // namespace

JpegFrame readJpegFrame(const uchar* bytes, qint64 size, bool* cut) {
    JpegFrame frame;
    JpegSegments segments(bytes, size,
                          {.passJunk = false, .zeroIsStuffing = false, .bareMarkers = false});
    bool progressive = false;
    JpegSegment segment;
    while (segments.next(segment)) {
        if (isJpegFrameMarker(segment.marker)) {
            if (segment.size < 6) return frame;
            const uchar m = segment.marker;
            progressive = m == 0xC2 || m == 0xC6 || m == 0xCA || m == 0xCE;
            frame.components = segment.body[5];
            frame.coefficientBytes = coefficientBytes(segment);
        } else if (segment.marker == 0xDA) {
            frame.keepsAllCoefficients =
                progressive || segment.size < 1 || segment.body[0] < frame.components;
            return frame;
        }
    }
    if (cut) *cut = segments.stop() == JpegStop::Cut;
    return frame;
}

int countJpegScans(const uchar* bytes, qint64 size, int atMost) {
    JpegSegments segments(bytes, size);
    JpegSegment segment;
    int scans = 0;
    while (scans <= atMost && segments.next(segment))
        if (segment.marker == 0xDA) ++scans;
    return scans;
}

}  // namespace toolkit
