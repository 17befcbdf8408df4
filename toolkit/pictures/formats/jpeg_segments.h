#pragma once

#include <QtGlobal>

namespace toolkit {

// A JPEG file is a row of marker segments (0xFF, the marker, a big-endian length counting
// itself, the body); after each scan's segment comes entropy-coded data, which has no length but
// in which a 0xFF byte is always followed by 0x00 or a restart marker.

// How a walk reads what it meets between segments.
struct JpegWalkRules {
    // Bytes that start no marker (junk between segments, a scan's entropy-coded data) are passed
    // over up to the next 0xFF, as decoders do; otherwise the walk ends there (JpegStop::Junk).
    bool passJunk = true;
    // 0xFF 0x00 is a stuffed zero, passed over like junk; otherwise it is read as a marker with
    // a length, as any other.
    bool zeroIsStuffing = true;
    // SOI, TEM and the restart markers carry no length and are passed over, and EOI ends the
    // picture; otherwise every marker is taken to carry a length: the layout must be exactly
    // segment after segment.
    bool bareMarkers = true;
};

struct JpegSegment {
    uchar marker = 0;
    const uchar* body = nullptr;  // after the length
    qint64 size = 0;              // of the body
    qint64 at = 0;                // where its 0xFF is; entropy-coded data before it ends there
};

enum class JpegStop {
    Walking,
    EndOfImage,  // EOI
    Cut,         // the bytes end before the next segment does, or a length is impossible
    Junk,        // bytes that start no marker, where the rules do not pass them over
};

// Walks the segments after the start marker (the caller checks that one), one at a time.
class JpegSegments {
  public:
    JpegSegments(const uchar* bytes, qint64 size, JpegWalkRules rules = {})
        : d_(bytes), n_(size), rules_(rules) {}

    // The next segment, or false when the walk ends; stop() then says why.
    bool next(JpegSegment& segment);
    JpegStop stop() const { return stop_; }

  private:
    bool end(JpegStop why) {
        stop_ = why;
        return false;
    }

    const uchar* d_;
    qint64 n_;
    JpegWalkRules rules_;
    qint64 i_ = 2;
    JpegStop stop_ = JpegStop::Walking;
};

// Start-of-frame markers: the frame header, with its size and components. DHT, JPG and DAC share
// the range but are not frames.
inline bool isJpegFrameMarker(uchar marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// What the segments up to the first scan say of how the picture is decoded.
struct JpegFrame {
    int components = 0;  // the frame's; 0 when no frame header came
    // Whether the decoder must hold every coefficient of the picture at once: a progressive JPEG,
    // or one whose first scan leaves out some of its colours. Unknown layouts count as such.
    bool keepsAllCoefficients = true;
    // What holding them all takes: 64 coefficients of 2 bytes for every 8 x 8 block of every
    // component at its own sampling; 0 when no frame header came.
    qint64 coefficientBytes = 0;
};

// Read strictly, segment after segment: a layout any other way is not known. `cut` (if given)
// says whether the bytes ended before the first scan did: more of the file may tell.
JpegFrame readJpegFrame(const uchar* bytes, qint64 size, bool* cut = nullptr);

// How many scans the file's segments start, as decoders walk them (up to `atMost` + 1).
int countJpegScans(const uchar* bytes, qint64 size, int atMost);

}  // namespace toolkit
