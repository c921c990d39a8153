// Design of the noise-transfer function (NTF) of a 1-bit sigma-delta
// modulator: the filter through which the quantisation error reaches the
// output, V = X + NTF·E. Its zeros sit in the audio band, spread to minimise
// the in-band noise power; its poles form a Butterworth-shaped high pass whose
// cut-off is chosen so that the largest gain over all frequencies (the
// out-of-band gain, which decides stability) equals a target.
#pragma once

#include <complex>
#include <vector>

namespace dsdgen {

// One factor of the NTF: (1 + b1 z⁻¹ + b2 z⁻²) / (1 + a1 z⁻¹ + a2 z⁻²).
// A first-order factor has b2 = a2 = 0.
struct ntf_section {
    double b1 = 0, b2 = 0;
    double a1 = 0, a2 = 0;
};

struct noise_transfer_function {
    std::vector<std::complex<double>> zeros;
    std::vector<std::complex<double>> poles;
    // The same function as a cascade of monic sections, zeros paired with the
    // poles nearest to them.
    std::vector<ntf_section> sections;

    std::complex<double> response(double radians_per_sample) const;
    // max |NTF(e^jω)| over 0 … π.
    double peak_gain() const;
};

// order: 1 … 9. oversampling_ratio: (sample rate / 2) / signal bandwidth.
// peak_gain: target out-of-band gain, above 1 (about 1.5 is the classic
// stability limit for 1-bit quantisers; lower is more stable and noisier).
noise_transfer_function design_noise_transfer_function(int order, double oversampling_ratio, double peak_gain);

// Roots of the Legendre polynomial of degree n, ascending: the zero positions
// (in units of the band edge) that minimise the in-band noise.
std::vector<double> legendre_roots(int n);

} // namespace dsdgen
