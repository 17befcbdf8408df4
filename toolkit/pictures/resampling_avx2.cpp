#include "toolkit/pictures/resampling_avx2.h"

#include <iterator>

#include "toolkit/pictures/resampling_fixed_point.h"

#if defined(__x86_64__) && defined(__GNUC__)
#define VELARIA_RESAMPLING_AVX2 1
#include <immintrin.h>
#endif

namespace toolkit::avx2 {

#if defined(VELARIA_RESAMPLING_AVX2)

namespace {

using resampling::kAcrossShift;
using resampling::kDownShift;

// Two 128-bit halves: `low` for the first pixel, `high` for the second.
__attribute__((target("avx2"))) inline __m256i joined(__m128i low, __m128i high) {
    return _mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1);
}

__attribute__((target("avx2"))) inline __m256i loadedPair(const std::int32_t* low,
                                                          const std::int32_t* high) {
    return joined(_mm_loadu_si128(reinterpret_cast<const __m128i*>(low)),
                  _mm_loadu_si128(reinterpret_cast<const __m128i*>(high)));
}

// Each lane does for its pixel what the 128-bit code does for one: four source pixels at a
// time, their channels paired for the multiply-add, then a last pair.
template <int kFixedPairs>
__attribute__((target("avx2"))) int acrossRow(const std::uint8_t* in, std::int16_t* out,
                                              const int* first, int width,
                                              const std::int32_t* paired) {
    constexpr int pairs = kFixedPairs;
    const __m256i zero = _mm256_setzero_si256();
    int x = 0;
    for (; x + 2 <= width; x += 2, out += 8, paired += 8 * pairs) {
        const std::uint8_t* a = in + std::size_t(first[x]) * 4;
        const std::uint8_t* b = in + std::size_t(first[x + 1]) * 4;
        const std::int32_t* wa = paired;
        const std::int32_t* wb = paired + 4 * pairs;
        __m256i sum = _mm256_set1_epi32(1 << (kAcrossShift - 1));
        int p = 0;
        for (; p + 2 <= pairs; p += 2, a += 16, b += 16) {
            const __m256i pixels = joined(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a)),
                                          _mm_loadu_si128(reinterpret_cast<const __m128i*>(b)));
            const __m256i swapped = _mm256_shuffle_epi32(pixels, _MM_SHUFFLE(3, 1, 2, 0));
            const __m256i channels = _mm256_unpacklo_epi8(swapped, _mm256_srli_si256(swapped, 8));
            sum = _mm256_add_epi32(sum, _mm256_madd_epi16(_mm256_unpacklo_epi8(channels, zero),
                                                          loadedPair(wa + 4 * p, wb + 4 * p)));
            sum = _mm256_add_epi32(sum,
                                   _mm256_madd_epi16(_mm256_unpackhi_epi8(channels, zero),
                                                     loadedPair(wa + 4 * p + 4, wb + 4 * p + 4)));
        }
        if (p < pairs) {
            const __m256i pixels = joined(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(a)),
                                          _mm_loadl_epi64(reinterpret_cast<const __m128i*>(b)));
            const __m256i channels = _mm256_unpacklo_epi8(pixels, _mm256_srli_si256(pixels, 4));
            sum = _mm256_add_epi32(sum, _mm256_madd_epi16(_mm256_unpacklo_epi8(channels, zero),
                                                          loadedPair(wa + 4 * p, wb + 4 * p)));
        }
        sum = _mm256_srai_epi32(sum, kAcrossShift);
        // Each lane's four values, first pixel's then second's, side by side.
        const __m256i packed =
            _mm256_permute4x64_epi64(_mm256_packs_epi32(sum, sum), _MM_SHUFFLE(3, 1, 2, 0));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm256_castsi256_si128(packed));
    }
    return x;
}

template <int kFixedPairs>
__attribute__((target("avx2"))) int downRow(const std::int16_t* const* first,
                                            const std::int16_t* const* second,
                                            const std::int32_t* weights, int values,
                                            std::uint8_t* out) {
    constexpr int pairs = kFixedPairs;
    int done = 0;
    for (; done + 32 <= values; done += 32) {
        __m256i s0 = _mm256_set1_epi32(1 << (kDownShift - 1)), s1 = s0, s2 = s0, s3 = s0;
        for (int p = 0; p < pairs; ++p) {
            const auto* a = reinterpret_cast<const __m256i*>(first[p] + done);
            const auto* b = reinterpret_cast<const __m256i*>(second[p] + done);
            const __m256i a0 = _mm256_loadu_si256(a), b0 = _mm256_loadu_si256(b);
            const __m256i a1 = _mm256_loadu_si256(a + 1), b1 = _mm256_loadu_si256(b + 1);
            const __m256i w = _mm256_set1_epi32(weights[p]);
            s0 = _mm256_add_epi32(s0, _mm256_madd_epi16(_mm256_unpacklo_epi16(a0, b0), w));
            s1 = _mm256_add_epi32(s1, _mm256_madd_epi16(_mm256_unpackhi_epi16(a0, b0), w));
            s2 = _mm256_add_epi32(s2, _mm256_madd_epi16(_mm256_unpacklo_epi16(a1, b1), w));
            s3 = _mm256_add_epi32(s3, _mm256_madd_epi16(_mm256_unpackhi_epi16(a1, b1), w));
        }
        const __m256i low = _mm256_packs_epi32(_mm256_srai_epi32(s0, kDownShift),
                                               _mm256_srai_epi32(s1, kDownShift));
        const __m256i high = _mm256_packs_epi32(_mm256_srai_epi32(s2, kDownShift),
                                                _mm256_srai_epi32(s3, kDownShift));
        // The packs work lane by lane: the four quarters come back in the order 0, 2, 1, 3.
        const __m256i levels =
            _mm256_permute4x64_epi64(_mm256_packus_epi16(low, high), _MM_SHUFFLE(3, 1, 2, 0));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + done), levels);
    }
    return done;
}

}  // namespace

bool available() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

// Unrolled for the reductions photos meet (up to about four times); the 128-bit code beyond.
AcrossRow acrossRowFor(int pairs) {
    static constexpr AcrossRow kRows[] = {nullptr,      acrossRow<1>, acrossRow<2>,  acrossRow<3>,
                                          acrossRow<4>, acrossRow<5>, acrossRow<6>,  acrossRow<7>,
                                          acrossRow<8>, acrossRow<9>, acrossRow<10>, acrossRow<11>,
                                          acrossRow<12>};
    return pairs > 0 && pairs < int(std::size(kRows)) ? kRows[pairs] : nullptr;
}

DownRow downRowFor(int pairs) {
    static constexpr DownRow kRows[] = {
        nullptr,    downRow<1>, downRow<2>, downRow<3>,  downRow<4>,  downRow<5>, downRow<6>,
        downRow<7>, downRow<8>, downRow<9>, downRow<10>, downRow<11>, downRow<12>};
    return pairs > 0 && pairs < int(std::size(kRows)) ? kRows[pairs] : nullptr;
}

#else

bool available() {
    return false;
}
AcrossRow acrossRowFor(int) {
    return nullptr;
}
DownRow downRowFor(int) {
    return nullptr;
}

#endif

}  // namespace toolkit::avx2
