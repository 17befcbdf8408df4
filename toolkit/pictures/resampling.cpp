#include "toolkit/pictures/resampling.h"

#include <QColorSpace>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace toolkit {

namespace {

constexpr int kWeightBits = 14;
constexpr int kOne = 1 << kWeightBits;
constexpr double kLobes = 3.0;
constexpr double kPi = 3.14159265358979323846;

double lanczos(double x) {
    if (x == 0.0) return 1.0;
    if (x <= -kLobes || x >= kLobes) return 0.0;
    const double px = kPi * x;
    return kLobes * std::sin(px) * std::sin(px / kLobes) / (px * px);
}

// The weights of one pass, `count` for each output pixel (a multiple of four, the extra ones 0),
// starting at source pixel `first[i]`. The window lies inside the source wherever the source
// is at least `count` long, so that a pass can read all of it.
struct Taps {
    int count = 0;
    std::vector<int> first;
    std::vector<std::int16_t> weights;
};

// The exact weights of one output pixel over source pixels [low, high), in 14 bits, their sum
// exactly one: what rounding leaves over goes to the largest.
void quantise(const std::vector<double>& exact, std::int16_t* weights) {
    double sum = 0;
    for (double w : exact) sum += w;
    int total = 0;
    std::size_t largest = 0;
    for (std::size_t i = 0; i < exact.size(); ++i) {
        weights[i] = std::int16_t(std::lround(exact[i] / sum * kOne));
        total += weights[i];
        if (exact[i] > exact[largest]) largest = i;
    }
    weights[largest] = std::int16_t(weights[largest] + kOne - total);
}

Taps tapsFor(int in, int out) {
    const double scale = double(in) / out;
    const double widen = std::max(scale, 1.0);
    const double support = kLobes * widen;
    Taps taps;
    taps.count = (int(std::ceil(support)) * 2 + 1 + 3) / 4 * 4;
    taps.first.resize(std::size_t(out));
    taps.weights.assign(std::size_t(out) * std::size_t(taps.count), 0);
    std::vector<double> exact;
    for (int i = 0; i < out; ++i) {
        const double centre = (i + 0.5) * scale;
        const int low = std::max(int(centre - support + 0.5), 0);
        const int high = std::min(int(centre + support + 0.5), in);
        exact.clear();
        for (int s = low; s < high; ++s) exact.push_back(lanczos((s + 0.5 - centre) / widen));
        // Shifted back from the end so that reading `count` pixels stays inside the source.
        const int first = std::max(0, std::min(low, in - taps.count));
        taps.first[std::size_t(i)] = first;
        quantise(exact, &taps.weights[std::size_t(i) * taps.count + std::size_t(low - first)]);
    }
    return taps;
}

std::uint8_t clampedByte(std::int32_t sum) {
    return std::uint8_t(std::clamp((sum + kOne / 2) >> kWeightBits, 0, 255));
}

// One row across: `in` pixels of four bytes to `out` of them.
void rowAcross(const std::uint8_t* in, int inWidth, std::uint8_t* out, const Taps& taps) {
    const int outWidth = int(taps.first.size());
    for (int x = 0; x < outWidth; ++x) {
        const std::uint8_t* from = in + std::size_t(taps.first[std::size_t(x)]) * 4;
        const std::int16_t* w = &taps.weights[std::size_t(x) * taps.count];
        const int count = std::min(taps.count, inWidth - taps.first[std::size_t(x)]);
#if defined(__SSE2__)
        if (count == taps.count) {
            const __m128i zero = _mm_setzero_si128();
            __m128i sum = _mm_set1_epi32(kOne / 2);
            for (int k = 0; k < count; k += 4) {
                // Four pixels, paired channel by channel: b0 b1 g0 g1 r0 r1 a0 a1, b2 b3 ...
                const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
                const __m128i swapped = _mm_shuffle_epi32(pixels, _MM_SHUFFLE(3, 1, 2, 0));
                const __m128i pairs = _mm_unpacklo_epi8(swapped, _mm_srli_si128(swapped, 8));
                std::int32_t w01, w23;
                std::memcpy(&w01, w + k, 4);
                std::memcpy(&w23, w + k + 2, 4);
                sum = _mm_add_epi32(
                    sum, _mm_madd_epi16(_mm_unpacklo_epi8(pairs, zero), _mm_set1_epi32(w01)));
                sum = _mm_add_epi32(
                    sum, _mm_madd_epi16(_mm_unpackhi_epi8(pairs, zero), _mm_set1_epi32(w23)));
                from += 16;
            }
            sum = _mm_srai_epi32(sum, kWeightBits);
            sum = _mm_packus_epi16(_mm_packs_epi32(sum, sum), sum);
            const std::int32_t pixel = _mm_cvtsi128_si32(sum);
            std::memcpy(out + std::size_t(x) * 4, &pixel, 4);
            continue;
        }
#endif
        std::int32_t sum[4] = {0, 0, 0, 0};
        for (int k = 0; k < count; ++k)
            for (int c = 0; c < 4; ++c) sum[c] += w[k] * from[4 * k + c];
        for (int c = 0; c < 4; ++c) out[std::size_t(x) * 4 + c] = clampedByte(sum[c]);
    }
}

// One output row down: `count` source rows weighed byte by byte, `bytes` of them.
void rowDown(const std::uint8_t* const* rows, const std::int16_t* w, int count, int bytes,
             std::uint8_t* out) {
    int done = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; done + 16 <= bytes; done += 16) {
        __m128i sums[4];
        for (__m128i& sum : sums) sum = _mm_set1_epi32(kOne / 2);
        for (int k = 0; k < count; k += 2) {
            // Two rows at a time, byte by byte: a0 b0 a1 b1 ...
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k] + done));
            const __m128i b =
                k + 1 < count
                    ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k + 1] + done))
                    : zero;
            const std::int32_t pair =
                std::uint16_t(w[k]) | std::int32_t(k + 1 < count ? w[k + 1] : 0) * 65536;
            const __m128i weights = _mm_set1_epi32(pair);
            const __m128i low = _mm_unpacklo_epi8(a, b), high = _mm_unpackhi_epi8(a, b);
            sums[0] = _mm_add_epi32(sums[0], _mm_madd_epi16(_mm_unpacklo_epi8(low, zero), weights));
            sums[1] = _mm_add_epi32(sums[1], _mm_madd_epi16(_mm_unpackhi_epi8(low, zero), weights));
            sums[2] =
                _mm_add_epi32(sums[2], _mm_madd_epi16(_mm_unpacklo_epi8(high, zero), weights));
            sums[3] =
                _mm_add_epi32(sums[3], _mm_madd_epi16(_mm_unpackhi_epi8(high, zero), weights));
        }
        for (__m128i& sum : sums) sum = _mm_srai_epi32(sum, kWeightBits);
        const __m128i packed =
            _mm_packus_epi16(_mm_packs_epi32(sums[0], sums[1]), _mm_packs_epi32(sums[2], sums[3]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + done), packed);
    }
#endif
    for (; done < bytes; ++done) {
        std::int32_t sum = 0;
        for (int k = 0; k < count; ++k) sum += w[k] * rows[k][done];
        out[done] = clampedByte(sum);
    }
}

// Rows of four-byte pixels: a QImage's, or a buffer's of this pass's own.
struct Rows {
    std::uint8_t* bits;
    std::size_t stride;  // bytes from one row to the next
    int width, height;
    std::uint8_t* row(int y) const { return bits + std::size_t(y) * stride; }
};

void across(const Rows& in, const Rows& out) {
    const Taps taps = tapsFor(in.width, out.width);
    for (int y = 0; y < in.height; ++y) rowAcross(in.row(y), in.width, out.row(y), taps);
}

void down(const Rows& in, const Rows& out) {
    const Taps taps = tapsFor(in.height, out.height);
    std::vector<const std::uint8_t*> rows(std::size_t(taps.count));
    for (int y = 0; y < out.height; ++y) {
        const int first = taps.first[std::size_t(y)];
        const int count = std::min(taps.count, in.height - first);
        for (int k = 0; k < count; ++k) rows[std::size_t(k)] = in.row(first + k);
        rowDown(rows.data(), &taps.weights[std::size_t(y) * taps.count], count, out.width * 4,
                out.row(y));
    }
}

Rows rowsOf(QImage& image) {
    return {image.bits(), std::size_t(image.bytesPerLine()), image.width(), image.height()};
}

// No colour brighter than its pixel's alpha, which the filter's lobes can overshoot.
void keepPremultiplied(QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        auto* pixel = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int a = qAlpha(pixel[x]);
            pixel[x] = qRgba(std::min(qRed(pixel[x]), a), std::min(qGreen(pixel[x]), a),
                             std::min(qBlue(pixel[x]), a), a);
        }
    }
}

}  // namespace

QImage lanczosScaled(const QImage& picture, QSize size) {
    size = size.expandedTo(QSize(1, 1));
    const QImage::Format format =
        picture.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    QImage source = picture.convertToFormat(format);
    if (source.size() == size) return source;
    QImage scaled(size, format);
    if (source.isNull() || scaled.isNull()) return {};
    const Rows in = rowsOf(source);
    const Rows out = rowsOf(scaled);
    // Across first, on every source row; a side that keeps its length is left as it is.
    if (in.height == out.height) {
        across(in, out);
    } else if (in.width == out.width) {
        down(in, out);
    } else {
        const std::size_t stride = std::size_t(out.width) * 4;
        std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow)
                                                   std::uint8_t[stride * std::size_t(in.height)]);
        if (!buffer) return {};
        const Rows middle{buffer.get(), stride, out.width, in.height};
        across(in, middle);
        down(middle, out);
    }
    if (format == QImage::Format_ARGB32_Premultiplied) keepPremultiplied(scaled);
    scaled.setDotsPerMeterX(picture.dotsPerMeterX());
    scaled.setDotsPerMeterY(picture.dotsPerMeterY());
    scaled.setColorSpace(picture.colorSpace());
    return scaled;
}

}  // namespace toolkit
