#include "core/encoder/builtin/wma/Mdct.h"

#include <cmath>
#include <numbers>
#include <utility>

namespace mavrion::encoder::builtin::wma {

Mdct::Mdct(int length)
    : length_(length), twiddle_(length / 2), roots_(length / 4), bitReverse_(length / 2), folded_(length),
      work_(length / 2) {
  const int half = length / 2;
  for (int n = 0; n < half; ++n)
    twiddle_[n] = std::polar(1.0, -std::numbers::pi * (8 * n + 1) / (8.0 * length));
  for (int k = 0; k < half / 2; ++k) roots_[k] = std::polar(1.0, -2 * std::numbers::pi * k / half);
  int bits = 0;
  while ((1 << bits) < half) ++bits;
  for (int i = 0; i < half; ++i) {
    int r = 0;
    for (int b = 0; b < bits; ++b)
      if (i & (1 << b)) r |= 1 << (bits - 1 - b);
    bitReverse_[i] = r;
  }
}

void Mdct::Fft(std::complex<double>* data) const {
  const int n = length_ / 2;
  for (int i = 0; i < n; ++i)
    if (i < bitReverse_[i]) std::swap(data[i], data[bitReverse_[i]]);
  for (int size = 2; size <= n; size *= 2) {
    const int stride = n / size;
    for (int start = 0; start < n; start += size) {
      for (int j = 0; j < size / 2; ++j) {
        const std::complex<double> t = data[start + j + size / 2] * roots_[j * stride];
        data[start + j + size / 2] = data[start + j] - t;
        data[start + j] += t;
      }
    }
  }
}

void Mdct::Forward(const float* x, float* out) {
  const int l = length_;
  const int q = l / 2;
  // Quarters a, b, c, d of the input fold into (-c reversed - d, a - b reversed).
  for (int n = 0; n < q; ++n) {
    folded_[n] = -static_cast<double>(x[l + q - 1 - n]) - x[l + q + n];
    folded_[q + n] = static_cast<double>(x[n]) - x[l - 1 - n];
  }
  for (int n = 0; n < q; ++n)
    work_[n] = std::complex<double>(folded_[2 * n], folded_[l - 1 - 2 * n]) * twiddle_[n];
  Fft(work_.data());
  for (int k = 0; k < q; ++k) {
    const std::complex<double> y = work_[k] * twiddle_[k];
    out[2 * k] = static_cast<float>(y.real());
    out[l - 1 - 2 * k] = static_cast<float>(-y.imag());
  }
}

}  // namespace mavrion::encoder::builtin::wma
