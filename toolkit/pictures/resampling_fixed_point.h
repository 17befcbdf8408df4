#pragma once

// The final scaling's fixed-point arithmetic, shared by its plain and vector code so that all of
// them give the same result to the last bit.
namespace toolkit::resampling {

// Weights in 14 bits; the pass between keeps 6 bits below each level, so that only the end
// rounds to whole levels.
constexpr int kWeightBits = 14;
constexpr int kOne = 1 << kWeightBits;
constexpr int kMiddleBits = 6;
constexpr int kAcrossShift = kWeightBits - kMiddleBits;
constexpr int kDownShift = kWeightBits + kMiddleBits;

}  // namespace toolkit::resampling
