#pragma once

#include <QImage>
#include <QSize>

namespace toolkit {

// The picture resampled to `size` (at least 1 x 1) with a separable cubic filter (Mitchell and
// Netravali's), widened by the reduction so that every source pixel counts: rows first, then
// columns, with 14-bit weights whose sum is exactly one (a flat area stays exactly flat) and
// finer values between the passes, rounded once and clamped at the end. An opaque picture
// comes back as Format_RGB32; one with an alpha channel as Format_ARGB32_Premultiplied,
// filtered premultiplied so that transparent pixels lend no colour, no colour above its alpha.
// A null image when there is no memory for it.
//
// `code` says which code may do it: the widest vectors this processor runs, the 128-bit ones
// only, or none. All give the same pixels; the choice is there for the tests that check so.
enum class ResamplingCode { Widest, Vector128, Plain };
QImage resampled(const QImage& picture, QSize size, ResamplingCode code = ResamplingCode::Widest);

}  // namespace toolkit
