#pragma once
// The 8x8 DCT and H.263 quantisation of MPEG-4 video, and the inverse that
// a decoder applies, as our reference pictures must match what decoders
// show.
#include <cstdint>

namespace mavrion::encoder::builtin::mpeg4 {

using Block = std::int16_t[64];  // row-major, coefficient [v * 8 + u]

// Samples (pixels or differences) to coefficients, DC = 8 x the mean.
void ForwardDct(const std::int16_t* samples, std::int16_t* coefficients);
// Coefficients to samples, bit for bit as decoders compute them.
void InverseDct(const std::int16_t* coefficients, std::int16_t* samples);

int LumaDcScaler(int q);
int ChromaDcScaler(int q);

// Quantises coefficients in place into levels (row-major) and answers
// whether any level other than an intra DC is non-zero. Intra blocks take
// their DC divided by dcScaler. Coefficients below 4096 in magnitude, as
// ForwardDct gives for samples within +-255.
bool Quantise(std::int16_t* coefficients, int q, bool intra, int dcScaler);
// Levels back to coefficients, as a decoder does.
void Dequantise(std::int16_t* levels, int q, bool intra, int dcScaler);

}  // namespace mavrion::encoder::builtin::mpeg4
