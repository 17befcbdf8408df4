#include "toolkit/pictures/resampling.h"

#include <QColorSpace>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "toolkit/pictures/resampling_avx2.h"
#include "toolkit/pictures/resampling_fixed_point.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace toolkit {

namespace {

using resampling::kAcrossShift;
using resampling::kDownShift;
using resampling::kOne;

// Mitchell and Netravali's two-parameter cubic. Either of the two chosen comes nearer a
// three-lobed Lanczos reduction of the whole picture, after what the decoder did, than that
// filter does itself, and rings less at edges.
constexpr double kSupport = 2.0;
struct Cubic {
    double b, c;
};
constexpr Cubic kMitchell{1.0 / 3, 1.0 / 3};
constexpr Cubic kCatmullRom{0, 0.5};

double cubic(double x, Cubic k) {
    x = std::fabs(x);
    const double b = k.b, c = k.c;
    if (x < 1)
        return ((12 - 9 * b - 6 * c) * x * x * x + (-18 + 12 * b + 6 * c) * x * x + 6 - 2 * b) / 6;
    if (x < 2)
        return ((-b - 6 * c) * x * x * x + (6 * b + 30 * c) * x * x - (12 * b + 48 * c) * x +
                8 * b + 24 * c) /
               6;
    return 0;
}

// The weights of one pass, `count` for each output pixel (an even number, the extra ones 0),
// starting at source pixel `first[i]`. The window lies inside the source wherever the source
// is at least `count` long, so that a pass can read all of it.
struct Taps {
    int count = 0;
    std::vector<int> first;
    std::vector<std::int16_t> weights;
};

// The exact weights of one output pixel in 14 bits, their sum exactly one: what rounding leaves
// over goes to the largest.
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

// A side that keeps its length keeps its pixels: the cubic does not pass through them.
Taps tapsFor(int in, int out, ResamplingFilter filter) {
    const Cubic shape = filter == ResamplingFilter::Sharp ? kCatmullRom : kMitchell;
    const double scale = double(in) / out;
    const double widen = std::max(scale, 1.0);
    const double support = in == out ? 0.5 : kSupport * widen;
    Taps taps;
    taps.count = (int(2 * support) + 2) / 2 * 2;
    taps.first.resize(std::size_t(out));
    taps.weights.assign(std::size_t(out) * std::size_t(taps.count), 0);
    std::vector<double> exact;
    for (int i = 0; i < out; ++i) {
        const double centre = (i + 0.5) * scale;
        const int low = std::max(int(centre - support + 0.5), 0);
        const int high = std::min(int(centre + support + 0.5), in);
        exact.clear();
        for (int s = low; s < high; ++s)
            exact.push_back(in == out ? 1.0 : cubic((s + 0.5 - centre) / widen, shape));
        // Shifted back from the end so that reading `count` pixels stays inside the source.
        const int first = std::max(0, std::min(low, in - taps.count));
        taps.first[std::size_t(i)] = first;
        quantise(exact, &taps.weights[std::size_t(i) * taps.count + std::size_t(low - first)]);
    }
    return taps;
}

// One row across, value by value: `inWidth` pixels of four bytes to the taps' count of
// pixels, kept finer.
void rowAcross(const std::uint8_t* in, int inWidth, std::int16_t* out, const Taps& taps) {
    const int outWidth = int(taps.first.size());
    for (int x = 0; x < outWidth; ++x) {
        const int first = taps.first[std::size_t(x)];
        const std::uint8_t* from = in + std::size_t(first) * 4;
        const std::int16_t* w = &taps.weights[std::size_t(x) * taps.count];
        const int count = std::min(taps.count, inWidth - first);
        for (int c = 0; c < 4; ++c) {
            std::int32_t sum = 1 << (kAcrossShift - 1);
            for (int k = 0; k < count; ++k) sum += w[k] * from[4 * k + c];
            out[std::size_t(x) * 4 + c] = std::int16_t(
                std::clamp(sum >> kAcrossShift, std::int32_t(INT16_MIN), std::int32_t(INT16_MAX)));
        }
    }
}

#if defined(__SSE2__)
// The taps' weights two by two, each pair four times over for the multiply-add.
std::vector<std::int32_t> pairedWeights(const Taps& taps) {
    std::vector<std::int32_t> paired(taps.weights.size() * 2);
    for (std::size_t p = 0; p < taps.weights.size() / 2; ++p) {
        std::int32_t pair;
        std::memcpy(&pair, &taps.weights[2 * p], 4);
        std::fill_n(&paired[4 * p], 4, pair);
    }
    return paired;
}

// The same four pixels at a time, their channels paired (b0 b1 g0 g1 r0 r1 a0 a1, b2 b3 ...)
// for the multiply-add, then a last pair. Every window must lie inside the row (the source at
// least as long as the taps' count). From output pixel `start` on. With a fixed number of pairs
// the loop unrolls.
template <int kFixedPairs>
void rowAcrossVector(const std::uint8_t* in, std::int16_t* out, const Taps& taps,
                     const std::int32_t* paired, int start) {
    const int pairs = kFixedPairs > 0 ? kFixedPairs : taps.count / 2;
    const __m128i zero = _mm_setzero_si128();
    const auto* w = reinterpret_cast<const __m128i*>(paired) + std::size_t(start) * pairs;
    out += std::size_t(start) * 4;
    for (std::size_t x = std::size_t(start); x < taps.first.size(); ++x) {
        const std::uint8_t* from = in + std::size_t(taps.first[x]) * 4;
        __m128i sum = _mm_set1_epi32(1 << (kAcrossShift - 1));
        int p = 0;
        for (; p + 2 <= pairs; p += 2, from += 16) {
            const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
            const __m128i swapped = _mm_shuffle_epi32(pixels, _MM_SHUFFLE(3, 1, 2, 0));
            const __m128i channels = _mm_unpacklo_epi8(swapped, _mm_srli_si128(swapped, 8));
            sum = _mm_add_epi32(
                sum, _mm_madd_epi16(_mm_unpacklo_epi8(channels, zero), _mm_loadu_si128(w + p)));
            sum = _mm_add_epi32(
                sum, _mm_madd_epi16(_mm_unpackhi_epi8(channels, zero), _mm_loadu_si128(w + p + 1)));
        }
        if (p < pairs) {
            const __m128i pixels = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(from));
            const __m128i channels = _mm_unpacklo_epi8(pixels, _mm_srli_si128(pixels, 4));
            sum = _mm_add_epi32(
                sum, _mm_madd_epi16(_mm_unpacklo_epi8(channels, zero), _mm_loadu_si128(w + p)));
        }
        sum = _mm_srai_epi32(sum, kAcrossShift);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packs_epi32(sum, sum));
        out += 4;
        w += pairs;
    }
}

using RowAcross = void (*)(const std::uint8_t*, std::int16_t*, const Taps&, const std::int32_t*,
                           int);

// Unrolled for the reductions photos meet (up to about four times), a loop beyond.
RowAcross rowAcrossVectorFor(int pairs) {
    constexpr RowAcross kUnrolled[] = {
        rowAcrossVector<0>,  rowAcrossVector<1>,  rowAcrossVector<2>,  rowAcrossVector<3>,
        rowAcrossVector<4>,  rowAcrossVector<5>,  rowAcrossVector<6>,  rowAcrossVector<7>,
        rowAcrossVector<8>,  rowAcrossVector<9>,  rowAcrossVector<10>, rowAcrossVector<11>,
        rowAcrossVector<12>, rowAcrossVector<13>, rowAcrossVector<14>, rowAcrossVector<15>,
        rowAcrossVector<16>, rowAcrossVector<17>};
    return pairs < int(std::size(kUnrolled)) ? kUnrolled[pairs] : rowAcrossVector<0>;
}
#endif

// One output row down, value by value: `count` rows of the pass between weighed, `values` of
// them, rounded to whole levels.
void rowDown(const std::int16_t* const* rows, const std::int16_t* w, int count, int values,
             std::uint8_t* out, int done = 0) {
    for (; done < values; ++done) {
        std::int32_t sum = 1 << (kDownShift - 1);
        for (int k = 0; k < count; ++k) sum += w[k] * rows[k][done];
        out[done] = std::uint8_t(std::clamp(sum >> kDownShift, 0, 255));
    }
}

#if defined(__SSE2__)
// The same sixteen values at a time from value `done` on, rows taken two by two value by value
// (a0 b0 a1 b1 ...); `second` names each pair's second row (an odd last row goes with itself,
// weighed 0 the second time). Returns how many values are done. With a fixed number of pairs
// the loop unrolls.
template <int kFixedPairs>
int rowDownVector(const std::int16_t* const* first, const std::int16_t* const* second,
                  const __m128i* weights, int pairs, int values, std::uint8_t* out, int done) {
    if constexpr (kFixedPairs > 0) pairs = kFixedPairs;
    for (; done + 16 <= values; done += 16) {
        __m128i s0 = _mm_set1_epi32(1 << (kDownShift - 1)), s1 = s0, s2 = s0, s3 = s0;
        for (int p = 0; p < pairs; ++p) {
            const auto* a = reinterpret_cast<const __m128i*>(first[p] + done);
            const auto* b = reinterpret_cast<const __m128i*>(second[p] + done);
            const __m128i a0 = _mm_loadu_si128(a), b0 = _mm_loadu_si128(b);
            const __m128i a1 = _mm_loadu_si128(a + 1), b1 = _mm_loadu_si128(b + 1);
            s0 = _mm_add_epi32(s0, _mm_madd_epi16(_mm_unpacklo_epi16(a0, b0), weights[p]));
            s1 = _mm_add_epi32(s1, _mm_madd_epi16(_mm_unpackhi_epi16(a0, b0), weights[p]));
            s2 = _mm_add_epi32(s2, _mm_madd_epi16(_mm_unpacklo_epi16(a1, b1), weights[p]));
            s3 = _mm_add_epi32(s3, _mm_madd_epi16(_mm_unpackhi_epi16(a1, b1), weights[p]));
        }
        const __m128i low =
            _mm_packs_epi32(_mm_srai_epi32(s0, kDownShift), _mm_srai_epi32(s1, kDownShift));
        const __m128i high =
            _mm_packs_epi32(_mm_srai_epi32(s2, kDownShift), _mm_srai_epi32(s3, kDownShift));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + done), _mm_packus_epi16(low, high));
    }
    return done;
}

using RowDown = int (*)(const std::int16_t* const*, const std::int16_t* const*, const __m128i*, int,
                        int, std::uint8_t*, int);

RowDown rowDownVectorFor(int pairs) {
    constexpr RowDown kUnrolled[] = {rowDownVector<0>,  rowDownVector<1>,  rowDownVector<2>,
                                     rowDownVector<3>,  rowDownVector<4>,  rowDownVector<5>,
                                     rowDownVector<6>,  rowDownVector<7>,  rowDownVector<8>,
                                     rowDownVector<9>,  rowDownVector<10>, rowDownVector<11>,
                                     rowDownVector<12>, rowDownVector<13>, rowDownVector<14>,
                                     rowDownVector<15>, rowDownVector<16>, rowDownVector<17>};
    return pairs < int(std::size(kUnrolled)) ? kUnrolled[pairs] : rowDownVector<0>;
}

// One output row down with the widest vector form first, then the 128-bit one, the values they
// leave over one by one.
void rowDownPaired(const std::int16_t* const* rows, const std::int16_t* w, int count, int values,
                   std::uint8_t* out, bool wide) {
    constexpr int kMostPairs = 64;  // a reduction of some thirty times
    const int pairs = (count + 1) / 2;
    if (pairs > kMostPairs) return rowDown(rows, w, count, values, out);
    std::int32_t words[kMostPairs];
    __m128i weights[kMostPairs];
    const std::int16_t* first[kMostPairs];
    const std::int16_t* second[kMostPairs];
    for (int p = 0; p < pairs; ++p) {
        const bool alone = 2 * p + 1 == count;
        words[p] = std::uint16_t(w[2 * p]) | std::int32_t(alone ? 0 : w[2 * p + 1]) << 16;
        weights[p] = _mm_set1_epi32(words[p]);
        first[p] = rows[2 * p];
        second[p] = rows[alone ? 2 * p : 2 * p + 1];
    }
    const avx2::DownRow widest = wide ? avx2::downRowFor(pairs) : nullptr;
    int done = widest ? widest(first, second, words, values, out) : 0;
    done = rowDownVectorFor(pairs)(first, second, weights, pairs, values, out, done);
    rowDown(rows, w, count, values, out, done);
}
#endif

// The pass across, a row at a time as the pass down asks for them.
class Across {
  public:
    Across(const QImage& source, int width, ResamplingFilter filter, ResamplingCode code)
        : source_(source), taps_(tapsFor(source.width(), width, filter)) {
#if defined(__SSE2__)
        if (source.width() >= taps_.count && code != ResamplingCode::Plain) {
            paired_ = pairedWeights(taps_);
            vector_ = rowAcrossVectorFor(taps_.count / 2);
            if (code == ResamplingCode::Widest && avx2::available())
                wide_ = avx2::acrossRowFor(taps_.count / 2);
        }
#endif
    }
    void row(int y, std::int16_t* out) const {
        const std::uint8_t* in = source_.constScanLine(y);
#if defined(__SSE2__)
        if (vector_) {
            const int width = int(taps_.first.size());
            const int done = wide_ ? wide_(in, out, taps_.first.data(), width, paired_.data()) : 0;
            return vector_(in, out, taps_, paired_.data(), done);
        }
#endif
        rowAcross(in, source_.width(), out, taps_);
    }

  private:
    const QImage& source_;
    const Taps taps_;
#if defined(__SSE2__)
    std::vector<std::int32_t> paired_;
    RowAcross vector_ = nullptr;
    avx2::AcrossRow wide_ = nullptr;
#endif
};

// Down the rows across, made as each output row first needs them and kept in a ring of as many
// rows as one output row weighs: the pass between stays in the cache, whatever the picture's
// size. False when there is no memory for the ring.
bool down(const Across& across, int height, QImage& out, ResamplingFilter filter,
          ResamplingCode code) {
    const Taps taps = tapsFor(height, out.height(), filter);
    const std::size_t stride = std::size_t(out.width()) * 4;
    const int ring = std::min(taps.count, height);
    std::unique_ptr<std::int16_t[]> rows(new (std::nothrow) std::int16_t[stride * ring]);
    if (!rows) return false;
    std::vector<const std::int16_t*> window(std::size_t(taps.count));
    [[maybe_unused]] const bool wide = code == ResamplingCode::Widest && avx2::available();
    int made = 0;
    for (int y = 0; y < out.height(); ++y) {
        const int first = taps.first[std::size_t(y)];
        const int count = std::min(taps.count, height - first);
        for (; made < first + count; ++made) across.row(made, &rows[stride * (made % ring)]);
        for (int k = 0; k < count; ++k)
            window[std::size_t(k)] = &rows[stride * ((first + k) % ring)];
        const std::int16_t* w = &taps.weights[std::size_t(y) * taps.count];
#if defined(__SSE2__)
        if (code != ResamplingCode::Plain) {
            rowDownPaired(window.data(), w, count, out.width() * 4, out.scanLine(y), wide);
            continue;
        }
#endif
        rowDown(window.data(), w, count, out.width() * 4, out.scanLine(y));
    }
    return true;
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

QImage resampled(const QImage& picture, QSize size, ResamplingFilter filter, ResamplingCode code) {
    size = size.expandedTo(QSize(1, 1));
    const QImage::Format format =
        picture.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    const QImage source = picture.convertToFormat(format);
    if (source.size() == size) return source;
    QImage scaled(size, format);
    if (source.isNull() || scaled.isNull()) return {};
    // Across first, into finer values of the output's width; then down.
    if (!down(Across(source, size.width(), filter, code), source.height(), scaled, filter, code))
        return {};
    if (format == QImage::Format_ARGB32_Premultiplied) keepPremultiplied(scaled);
    scaled.setDotsPerMeterX(picture.dotsPerMeterX());
    scaled.setDotsPerMeterY(picture.dotsPerMeterY());
    scaled.setColorSpace(picture.colorSpace());
    return scaled;
}

}  // namespace toolkit
