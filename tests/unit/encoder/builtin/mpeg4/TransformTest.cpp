#include "core/encoder/builtin/mpeg4/Transform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace mavrion::encoder::builtin::mpeg4 {
namespace {

// The transforms by their definition, in double precision.
struct BasisTable {
  double f[8][8];
  BasisTable() {
    const double pi = 3.14159265358979323846;
    for (int k = 0; k < 8; ++k) {
      for (int x = 0; x < 8; ++x) f[k][x] = (k == 0 ? std::sqrt(0.125) : 0.5) * std::cos((2 * x + 1) * k * pi / 16.0);
    }
  }
};
double Basis(int k, int x) {
  static const BasisTable table;
  return table.f[k][x];
}
// out[i * 8 + j] from in[k * 8 + l], samples to coefficients or back.
void Exact(const double* in, double* out, bool inverse) {
  for (int i = 0; i < 8; ++i) {
    for (int j = 0; j < 8; ++j) {
      double sum = 0;
      for (int k = 0; k < 8; ++k) {
        for (int l = 0; l < 8; ++l) {
          sum += (inverse ? Basis(k, i) * Basis(l, j) : Basis(i, k) * Basis(j, l)) * in[k * 8 + l];
        }
      }
      out[i * 8 + j] = sum;
    }
  }
}

// The random blocks of the IEEE 1180 accuracy test.
class BlockSource {
 public:
  explicit BlockSource(std::uint32_t seed) : seed_(seed) {}
  int Next(int low, int high) {
    seed_ = seed_ * 1103515245u + 12345u;
    return low + static_cast<int>((seed_ >> 8) % static_cast<std::uint32_t>(high - low + 1));
  }

 private:
  std::uint32_t seed_;
};

TEST(TransformTest, ForwardTransformIsWithinOneOfTheDefinitionForPixelsAndDifferences) {
  BlockSource source(7);
  for (const auto& [low, high] : {std::pair{0, 255}, std::pair{-255, 255}, std::pair{-8, 8}}) {
    double worst = 0;
    for (int block = 0; block < 2000; ++block) {
      std::int16_t samples[64], coefficients[64];
      double in[64], exact[64];
      // Every eighth block flat, as backgrounds are.
      for (int i = 0; i < 64; ++i) {
        in[i] = samples[i] = block % 8 == 0 && i > 0 ? samples[0] : static_cast<std::int16_t>(source.Next(low, high));
      }
      ForwardDct(samples, coefficients);
      Exact(in, exact, false);
      for (int i = 0; i < 64; ++i) worst = std::max(worst, std::abs(coefficients[i] - exact[i]));
    }
    EXPECT_LE(worst, 1.0) << "samples " << low << ".." << high;
  }
}

TEST(TransformTest, InverseTransformMeetsTheIeee1180Accuracy) {
  BlockSource source(1);
  for (const auto& [low, high] : {std::pair{-256, 255}, std::pair{-5, 5}, std::pair{-300, 300}}) {
    for (int sign : {1, -1}) {
      constexpr int kBlocks = 5000;
      double errorSum[64] = {}, squareSum[64] = {};
      int peak = 0;
      for (int block = 0; block < kBlocks; ++block) {
        double in[64], coefficients[64], exact[64];
        std::int16_t levels[64], samples[64];
        for (int i = 0; i < 64; ++i) in[i] = sign * source.Next(low, high);
        Exact(in, coefficients, false);
        for (int i = 0; i < 64; ++i) {
          const double c = std::clamp(std::round(coefficients[i]), -2048.0, 2047.0);
          levels[i] = static_cast<std::int16_t>(c);
          coefficients[i] = c;
        }
        Exact(coefficients, exact, true);
        InverseDct(levels, samples);
        for (int i = 0; i < 64; ++i) {
          const int reference = static_cast<int>(std::clamp(std::round(exact[i]), -256.0, 255.0));
          const int error = std::clamp<int>(samples[i], -256, 255) - reference;
          peak = std::max(peak, std::abs(error));
          errorSum[i] += error;
          squareSum[i] += error * error;
        }
      }
      double totalError = 0, totalSquare = 0, worstMean = 0, worstSquare = 0;
      for (int i = 0; i < 64; ++i) {
        totalError += errorSum[i];
        totalSquare += squareSum[i];
        worstMean = std::max(worstMean, std::abs(errorSum[i]) / kBlocks);
        worstSquare = std::max(worstSquare, squareSum[i] / kBlocks);
      }
      const std::string range = std::to_string(sign * low) + ".." + std::to_string(sign * high);
      EXPECT_LE(peak, 1) << range;
      EXPECT_LE(worstSquare, 0.06) << range;
      EXPECT_LE(totalSquare / (64.0 * kBlocks), 0.02) << range;
      EXPECT_LE(worstMean, 0.015) << range;
      EXPECT_LE(std::abs(totalError) / (64.0 * kBlocks), 0.0015) << range;
    }
  }
  const std::int16_t zero[64] = {};
  std::int16_t out[64];
  InverseDct(zero, out);
  EXPECT_TRUE(std::all_of(out, out + 64, [](std::int16_t v) { return v == 0; }));
}

}  // namespace
}  // namespace mavrion::encoder::builtin::mpeg4
