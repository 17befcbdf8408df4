#pragma once

#include <cstdint>

// The final scaling's two row passes in 256-bit vector code, for processors that have it (most
// x86-64 made since 2013): twice the values of the 128-bit code per instruction, with the very
// same integer arithmetic, so that the results are identical to the last bit. Used only through
// resampling.cpp, which finishes what these leave over.
namespace toolkit::avx2 {

// Whether this processor runs them, and they were built for it.
bool available();

// Two output pixels at a time across a row of 32-bit pixels: pixel x weighs `pairs` pairs of
// source pixels from in[first[x]], with the weights `paired` holds for it (4 x `pairs` words,
// each pair four times over). Returns how many of the `width` pixels it did (an even number).
using AcrossRow = int (*)(const std::uint8_t* in, std::int16_t* out, const int* first, int width,
                          const std::int32_t* paired);
AcrossRow acrossRowFor(int pairs);

// Thirty-two values of one output row at a time, rows taken two by two as the 128-bit code
// does (as many pairs as asked of downRowFor), each pair's two weights in one word. Returns
// how many of the `values` it did.
using DownRow = int (*)(const std::int16_t* const* first, const std::int16_t* const* second,
                        const std::int32_t* weights, int values, std::uint8_t* out);
DownRow downRowFor(int pairs);

}  // namespace toolkit::avx2
