#pragma once
// The forward MDCT of one block: 2L windowed samples in, L coefficients
// out, X[k] = sum over n of x[n] cos(pi/L (n + 1/2 + L/2)(k + 1/2)), the
// transform whose inverse the decoder runs. Computed as a DCT-IV of the
// folded input through an L/2-point complex FFT.
#include <complex>
#include <vector>

namespace mavrion::encoder::builtin::wma {

class Mdct {
 public:
  explicit Mdct(int length);  // L, a power of two of at least 16
  int Length() const { return length_; }
  void Forward(const float* windowed, float* coefficients);

 private:
  void Fft(std::complex<double>* data) const;

  int length_;
  std::vector<std::complex<double>> twiddle_;  // exp(-i pi (8n + 1) / 8L)
  std::vector<std::complex<double>> roots_;    // exp(-2 pi i k / (L/2))
  std::vector<int> bitReverse_;
  std::vector<double> folded_;
  std::vector<std::complex<double>> work_;
};

}  // namespace mavrion::encoder::builtin::wma
