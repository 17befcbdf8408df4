#include "toolkit/pictures/scaled_jpeg.h"

#include <turbojpeg.h>

#include <csetjmp>
#include <cstdio>
#include <limits>
// jpeglib.h wants FILE and size_t declared before it.
#include <jpeglib.h>

namespace toolkit {

QSize reducedSize(QSize stored, JpegReduction reduction) {
    // The decoder's own rounding (TJSCALED): up, so that no edge pixel is lost.
    const auto side = [&](int length) {
        return int((qint64(length) * reduction.num + reduction.denom - 1) / reduction.denom);
    };
    return {side(stored.width()), side(stored.height())};
}

JpegReduction jpegReductionFor(QSize stored, QSize atLeast) {
    JpegReduction best;
    if (!atLeast.isValid() || atLeast.isEmpty()) return best;
    int count = 0;
    const tjscalingfactor* factors = tjGetScalingFactors(&count);
    for (int i = 0; factors && i < count; ++i) {
        const JpegReduction candidate{factors[i].num, factors[i].denom};
        if (candidate.num >= candidate.denom) continue;
        const QSize size = reducedSize(stored, candidate);
        if (size.width() < atLeast.width() || size.height() < atLeast.height()) continue;
        if (qint64(candidate.num) * best.denom < qint64(best.num) * candidate.denom)
            best = candidate;
    }
    return best;
}

namespace {

// What the decoder is told to watch, and how it ended. libjpeg reports a fatal error by calling
// back, never returning: the callback jumps back to where the decode began.
struct Watch {
    jpeg_error_mgr errors;
    jpeg_progress_mgr progress;
    std::jmp_buf back;
    const std::atomic<bool>* cancelled = nullptr;
    bool warned = false;
    JpegDecodeEnd end = JpegDecodeEnd::Refused;
};

Watch& watchOf(j_common_ptr info) {
    return *static_cast<Watch*>(info->client_data);
}

void stopDecoding(j_common_ptr info) {
    std::longjmp(watchOf(info).back, 1);
}

// Any warning, even about data that merely ends early, leaves the file to the ordinary reader,
// which judges it as it always has.
void noteMessage(j_common_ptr info, int level) {
    if (level < 0) watchOf(info).warned = true;
}

// Called as the decoder goes through the file's scans: a progressive file may repeat scans
// without end, each one costing a pass over every coefficient of the picture.
void checkProgress(j_common_ptr info) {
    Watch& watch = watchOf(info);
    const auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number > kMaxJpegScans) {
        watch.end = JpegDecodeEnd::TooManyScans;
        stopDecoding(info);
    }
    if (watch.cancelled && watch.cancelled->load(std::memory_order_relaxed)) {
        watch.end = JpegDecodeEnd::Cancelled;
        stopDecoding(info);
    }
}

// The pixel layout QImage::Format_RGB32 keeps (0xffRRGGBB words): B, G, R, X in memory on a
// little-endian machine. Inks take the same four bytes a pixel (YCCK comes as CMYK).
J_COLOR_SPACE outputSpace(bool inks) {
    if (inks) return JCS_CMYK;
    return QSysInfo::ByteOrder == QSysInfo::LittleEndian ? JCS_EXT_BGRX : JCS_EXT_XRGB;
}

// Reads the header and says whether the file is of the kind wanted (colours, or inks).
bool startDecoding(jpeg_decompress_struct& info, const uchar* data, qint64 size,
                   JpegReduction reduction, bool inks) {
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    // The decoder turns no CMYK or YCCK into RGB: those it gives as inks only.
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    if (inks != cmyk) return false;
    info.out_color_space = outputSpace(inks);
    info.scale_num = unsigned(reduction.num);
    info.scale_denom = unsigned(reduction.denom);
    jpeg_start_decompress(&info);
    return true;
}

void readRows(jpeg_decompress_struct& info, QImage& picture) {
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = picture.scanLine(int(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
}

// The steps between the jump's start and its target hold no object with a destructor: a fatal
// error leaves through the jump, and the caller cleans up. Making the decoder is one of those
// steps, since it may fail too (a library of another version, no memory).
void decodeInto(jpeg_decompress_struct& info, Watch& watch, const uchar* data, qint64 size,
                JpegReduction reduction, bool inks, QImage& picture) {
    if (setjmp(watch.back) != 0) return;
    jpeg_create_decompress(&info);
    // Making the decoder clears everything but the error handler and the client's data.
    info.progress = &watch.progress;
    if (!startDecoding(info, data, size, reduction, inks)) return;
    picture = QImage(int(info.output_width), int(info.output_height), QImage::Format_RGB32);
    if (picture.isNull()) return;
    readRows(info, picture);
    watch.end = JpegDecodeEnd::Done;
}

}  // namespace

JpegDecode decodeJpeg(const uchar* data, qint64 size, JpegReduction reduction, bool inks,
                      const std::atomic<bool>* cancelled) {
    JpegDecode result;
    if (!data || size <= 0 || quint64(size) > std::numeric_limits<unsigned long>::max())
        return result;
    Watch watch;
    watch.cancelled = cancelled;
    // Armed before the decoder is made. A decoder that could not be made whole (no memory of
    // its own yet) is destroyed as safely as a whole one.
    jpeg_decompress_struct info{};
    info.err = jpeg_std_error(&watch.errors);
    watch.errors.error_exit = stopDecoding;
    watch.errors.emit_message = noteMessage;
    info.client_data = &watch;
    watch.progress.progress_monitor = checkProgress;
    decodeInto(info, watch, data, size, reduction, inks, result.picture);
    jpeg_destroy_decompress(&info);
    result.end =
        watch.end == JpegDecodeEnd::Done && watch.warned ? JpegDecodeEnd::Refused : watch.end;
    if (result.end != JpegDecodeEnd::Done) result.picture = QImage();
    return result;
}

QImage decodeJpegReduced(const uchar* data, qint64 size, JpegReduction reduction) {
    return decodeJpeg(data, size, reduction, false).picture;
}

QImage decodeJpegInksReduced(const uchar* data, qint64 size, JpegReduction reduction) {
    return decodeJpeg(data, size, reduction, true).picture;
}

}  // namespace toolkit
