#pragma once

#include <QImage>
#include <QSize>

namespace toolkit {

// Two cubics that reach as far and cost the same; which comes nearer a three-lobed Lanczos
// reduction of the whole picture depends on what the decoder has done to it already.
enum class ResamplingFilter {
    // Mitchell and Netravali's (B = C = 1/3): a JPEG its decoder reduced to more than a quarter
    // of its size keeps faint block edges and ringing that this softer cubic hides.
    Soft,
    // Catmull and Rom's (B = 0, C = 1/2): for pictures decoded whole, and for those the decoder
    // has already averaged (a JPEG reduced to a quarter or less, a BMP averaged as it is read).
    Sharp,
};

// Which code may do the work: the widest vectors this processor runs, the 128-bit ones only, or
// none. All give the same pixels; the choice is there for the tests that check so.
enum class ResamplingCode { Widest, Vector128, Plain };

// The picture resampled to `size` (at least 1 x 1) with a separable cubic filter, widened by
// the reduction so that every source pixel counts: rows first, then columns, with 14-bit
// weights whose sum is exactly one (a flat area stays exactly flat) and finer values between
// the passes, rounded once and clamped at the end. An opaque picture comes back as
// Format_RGB32; one with an alpha channel as Format_ARGB32_Premultiplied, filtered
// premultiplied so that transparent pixels lend no colour, no colour above its alpha. A null
// image when there is no memory for it.
QImage resampled(const QImage& picture, QSize size,
                 ResamplingFilter filter = ResamplingFilter::Soft,
                 ResamplingCode code = ResamplingCode::Widest);

}  // namespace toolkit
