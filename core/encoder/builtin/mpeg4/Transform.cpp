#include "core/encoder/builtin/mpeg4/Transform.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace mavrion::encoder::builtin::mpeg4 {
namespace {

// basis[k][x] = c(k)/2 cos((2x+1)k pi/16): one dimension of the DCT.
struct Basis {
  float f[8][8];
  Basis() {
    for (int k = 0; k < 8; ++k) {
      for (int x = 0; x < 8; ++x) {
        double c = (k == 0 ? std::sqrt(0.5) : 1.0) / 2.0;
        f[k][x] = static_cast<float>(c * std::cos((2 * x + 1) * k * 3.14159265358979323846 / 16.0));
      }
    }
  }
};
const Basis& TheBasis() {
  static const Basis basis;
  return basis;
}

}  // namespace

void ForwardDct(const std::int16_t* samples, std::int16_t* coefficients) {
  const auto& b = TheBasis().f;
  float rows[64];
  for (int y = 0; y < 8; ++y) {
    const std::int16_t* s = samples + y * 8;
    for (int u = 0; u < 8; ++u) {
      float sum = 0;
      for (int x = 0; x < 8; ++x) sum += b[u][x] * static_cast<float>(s[x]);
      rows[y * 8 + u] = sum;
    }
  }
  for (int u = 0; u < 8; ++u) {
    for (int v = 0; v < 8; ++v) {
      float sum = 0;
      for (int y = 0; y < 8; ++y) sum += b[v][y] * rows[y * 8 + u];
      // Half away from zero, inline: a library call per coefficient was a
      // tenth of the encoder's time on full motion.
      coefficients[v * 8 + u] = static_cast<std::int16_t>(sum + (sum < 0 ? -0.5f : 0.5f));
    }
  }
}

// The inverse transform most decoders of this format use (FFmpeg's and
// others' "simple" integer IDCT): rows then columns in fixed point, exact
// to the bit, so that what they show is what our references hold.
namespace {

constexpr int W1 = 22725, W2 = 21407, W3 = 19266, W4 = 16383, W5 = 12873, W6 = 8867, W7 = 4520;
constexpr int kRowShift = 11, kColumnShift = 20;

void InverseRow(std::int16_t* r) {
  if ((r[1] | r[2] | r[3] | r[4] | r[5] | r[6] | r[7]) == 0) {
    const std::int16_t dc = static_cast<std::int16_t>(static_cast<std::uint16_t>(r[0] * 8));
    for (int i = 0; i < 8; ++i) r[i] = dc;
    return;
  }
  int a0 = W4 * r[0] + (1 << (kRowShift - 1));
  int a1 = a0, a2 = a0, a3 = a0;
  a0 += W2 * r[2];
  a1 += W6 * r[2];
  a2 -= W6 * r[2];
  a3 -= W2 * r[2];
  int b0 = W1 * r[1] + W3 * r[3];
  int b1 = W3 * r[1] - W7 * r[3];
  int b2 = W5 * r[1] - W1 * r[3];
  int b3 = W7 * r[1] - W5 * r[3];
  a0 += W4 * r[4] + W6 * r[6];
  a1 += -W4 * r[4] - W2 * r[6];
  a2 += -W4 * r[4] + W2 * r[6];
  a3 += W4 * r[4] - W6 * r[6];
  b0 += W5 * r[5] + W7 * r[7];
  b1 += -W1 * r[5] - W5 * r[7];
  b2 += W7 * r[5] + W3 * r[7];
  b3 += W3 * r[5] - W1 * r[7];
  r[0] = static_cast<std::int16_t>((a0 + b0) >> kRowShift);
  r[7] = static_cast<std::int16_t>((a0 - b0) >> kRowShift);
  r[1] = static_cast<std::int16_t>((a1 + b1) >> kRowShift);
  r[6] = static_cast<std::int16_t>((a1 - b1) >> kRowShift);
  r[2] = static_cast<std::int16_t>((a2 + b2) >> kRowShift);
  r[5] = static_cast<std::int16_t>((a2 - b2) >> kRowShift);
  r[3] = static_cast<std::int16_t>((a3 + b3) >> kRowShift);
  r[4] = static_cast<std::int16_t>((a3 - b3) >> kRowShift);
}

void InverseColumn(const std::int16_t* c, std::int16_t* out) {
  int a0 = W4 * (c[0] + ((1 << (kColumnShift - 1)) / W4));
  int a1 = a0, a2 = a0, a3 = a0;
  a0 += W2 * c[16];
  a1 += W6 * c[16];
  a2 += -W6 * c[16];
  a3 += -W2 * c[16];
  int b0 = W1 * c[8] + W3 * c[24];
  int b1 = W3 * c[8] - W7 * c[24];
  int b2 = W5 * c[8] - W1 * c[24];
  int b3 = W7 * c[8] - W5 * c[24];
  a0 += W4 * c[32];
  a1 += -W4 * c[32];
  a2 += -W4 * c[32];
  a3 += W4 * c[32];
  b0 += W5 * c[40];
  b1 += -W1 * c[40];
  b2 += W7 * c[40];
  b3 += W3 * c[40];
  a0 += W6 * c[48];
  a1 += -W2 * c[48];
  a2 += W2 * c[48];
  a3 += -W6 * c[48];
  b0 += W7 * c[56];
  b1 += -W5 * c[56];
  b2 += W3 * c[56];
  b3 += -W1 * c[56];
  out[0] = static_cast<std::int16_t>((a0 + b0) >> kColumnShift);
  out[8] = static_cast<std::int16_t>((a1 + b1) >> kColumnShift);
  out[16] = static_cast<std::int16_t>((a2 + b2) >> kColumnShift);
  out[24] = static_cast<std::int16_t>((a3 + b3) >> kColumnShift);
  out[32] = static_cast<std::int16_t>((a3 - b3) >> kColumnShift);
  out[40] = static_cast<std::int16_t>((a2 - b2) >> kColumnShift);
  out[48] = static_cast<std::int16_t>((a1 - b1) >> kColumnShift);
  out[56] = static_cast<std::int16_t>((a0 - b0) >> kColumnShift);
}

}  // namespace

void InverseDct(const std::int16_t* coefficients, std::int16_t* samples) {
  std::int16_t rows[64];
  std::copy(coefficients, coefficients + 64, rows);
  for (int y = 0; y < 8; ++y) InverseRow(rows + y * 8);
  for (int x = 0; x < 8; ++x) InverseColumn(rows + x, samples + x);
}

int LumaDcScaler(int q) {
  if (q <= 4) return 8;
  if (q <= 8) return 2 * q;
  if (q <= 24) return q + 8;
  return 2 * q - 16;
}

int ChromaDcScaler(int q) {
  if (q <= 4) return 8;
  if (q <= 24) return (q + 13) / 2;
  return q - 6;
}

bool Quantise(std::int16_t* c, int q, bool intra, int dcScaler) {
  bool any = false;
  int first = 0;
  if (intra) {
    c[0] = static_cast<std::int16_t>((c[0] + dcScaler / 2) / dcScaler);
    first = 1;
  }
  // Intra rounds a little towards zero, inter leaves a dead zone: small
  // differences are noise that costs bits.
  const int bias = intra ? 0 : q / 2;
  for (int i = first; i < 64; ++i) {
    int v = c[i];
    int a = std::abs(v) - bias;
    int level = a <= 0 ? 0 : std::min(a / (2 * q), 2047);
    c[i] = static_cast<std::int16_t>(v < 0 ? -level : level);
    any |= level != 0;
  }
  return any;
}

void Dequantise(std::int16_t* c, int q, bool intra, int dcScaler) {
  int first = 0;
  if (intra) {
    c[0] = static_cast<std::int16_t>(std::clamp(c[0] * dcScaler, -2048, 2047));
    first = 1;
  }
  for (int i = first; i < 64; ++i) {
    int level = c[i];
    if (level == 0) continue;
    int a = q * (2 * std::abs(level) + 1) - (q % 2 == 0 ? 1 : 0);
    c[i] = static_cast<std::int16_t>(std::clamp(level < 0 ? -a : a, -2048, 2047));
  }
}

}  // namespace mavrion::encoder::builtin::mpeg4
