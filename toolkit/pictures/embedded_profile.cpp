#include <cstring>
#include <vector>

#include "toolkit/pictures/color_profile.h"
#include "toolkit/pictures/formats/bmp_headers.h"
#include "toolkit/pictures/formats/gif_blocks.h"
#include "toolkit/pictures/formats/jpeg_segments.h"

namespace toolkit {

namespace {

// The profile's pieces, in order: a piece missing or given twice, or more bytes than a profile
// may have, and there is no profile.
class Pieces {
  public:
    void setCount(int count) {
        if (pieces_.empty()) pieces_.resize(size_t(count));
        if (pieces_.size() != size_t(count)) broken_ = true;
    }
    void add(size_t index, const uchar* data, qint64 size) {
        if (index >= pieces_.size() || pieces_[index].first) broken_ = true;
        total_ += size;
        if (broken_ || total_ > kMaxProfileBytes) return;
        pieces_[index] = {data, size};
    }
    void fail() { broken_ = true; }
    QByteArray joined() const {
        if (broken_ || pieces_.empty() || total_ > kMaxProfileBytes) return {};
        QByteArray whole;
        whole.reserve(total_);
        for (const auto& [data, size] : pieces_) {
            if (!data) return {};
            whole.append(reinterpret_cast<const char*>(data), size);
        }
        return whole;
    }

  private:
    std::vector<std::pair<const uchar*, qint64>> pieces_;
    qint64 total_ = 0;
    bool broken_ = false;
};

// The marker segments before the first scan: APP2 "ICC_PROFILE" pieces (numbered from 1, each
// telling the count), the frame's channels, and Adobe's APP14 marker. A stuffed zero is not
// expected before the first scan, so 0xFF 0x00 is read as a marker there.
EmbeddedProfile jpegProfile(const uchar* d, qint64 n) {
    EmbeddedProfile found;
    if (n < 4 || d[0] != 0xFF || d[1] != 0xD8) return found;
    Pieces pieces;
    static const char kIcc[] = "ICC_PROFILE";  // with its NUL, 12 bytes
    JpegSegments segments(d, n, {.passJunk = true, .zeroIsStuffing = false, .bareMarkers = true});
    JpegSegment s;
    while (segments.next(s) && s.marker != 0xDA) {
        if (s.marker == 0xE2 && s.size >= 14 && std::memcmp(s.body, kIcc, sizeof kIcc) == 0) {
            const int index = s.body[12], count = s.body[13];
            if (index < 1 || count < 1) {
                pieces.fail();
            } else {
                pieces.setCount(count);
                pieces.add(size_t(index - 1), s.body + 14, s.size - 14);
            }
        } else if (s.marker == 0xEE && s.size >= 5 && std::memcmp(s.body, "Adobe", 5) == 0) {
            found.invertedCmyk = true;
        } else if (isJpegFrameMarker(s.marker) && s.size >= 6) {
            found.channels = s.body[5];
        }
    }
    found.icc = pieces.joined();
    if (found.channels != 4) found.invertedCmyk = false;
    return found;
}

// The application extension "ICCRGBG1" with authentication code "012" holds the profile in the
// data sub-blocks after its name. Blocks are walked to the trailer; pictures are passed over.
EmbeddedProfile gifProfile(const uchar* d, qint64 n) {
    EmbeddedProfile found;
    GifBlocks blocks(d, n);
    for (;;) {
        const GifBlocks::Block block = blocks.next();
        if (block == GifBlocks::Block::Image) {
            if (!blocks.skipSubBlocks()) break;
            continue;
        }
        if (block != GifBlocks::Block::Extension) break;
        bool named = false, profile = false, tooLarge = false;
        const bool whole = blocks.subBlocks([&](const uchar* data, qint64 size) {
            if (!named) {
                named = true;
                profile = blocks.label() == 0xFF && size == 11 &&
                          std::memcmp(data, "ICCRGBG1012", 11) == 0;
            } else if (profile && !tooLarge) {
                // Too large to be a profile: read on without keeping it.
                tooLarge = found.icc.size() + size > kMaxProfileBytes;
                if (tooLarge)
                    found.icc.clear();
                else
                    found.icc.append(reinterpret_cast<const char*>(data), size);
            }
        });
        if (profile) {
            if (!whole) found.icc.clear();
            break;
        }
        if (!whole) break;
    }
    return found;
}

// A version 5 header whose colour space is PROFILE_EMBEDDED ('MBED') points at the profile,
// counting from the start of the header.
EmbeddedProfile bmpProfile(const uchar* d, qint64 n) {
    EmbeddedProfile found;
    constexpr qint64 kHeader = BmpHeader::kFileHeader;
    const BmpHeader header = readBmpHeader(d, n);
    if (n < kHeader + 124 || header.headerSize < 124) return found;
    if (header.colourSpace != 0x4D424544) return found;
    const qint64 at = kHeader + header.profileAt;
    const qint64 size = header.profileSize;
    if (size <= 0 || size > kMaxProfileBytes || at > n || size > n - at) return found;
    found.icc = QByteArray(reinterpret_cast<const char*>(d + at), size);
    return found;
}

}  // namespace

EmbeddedProfile embeddedProfile(const QByteArray& format, const uchar* bytes, qint64 size) {
    if (!bytes || size <= 0) return {};
    if (format == "jpeg" || format == "jpg") return jpegProfile(bytes, size);
    if (format == "gif") return gifProfile(bytes, size);
    if (format == "bmp" || format == "dib") return bmpProfile(bytes, size);
    return {};
}

}  // namespace toolkit
