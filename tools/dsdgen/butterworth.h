// Poles of digital Butterworth filters, shared by the noise-shaping design and
// the band limiting of the noise signal.
#pragma once

#include <complex>
#include <vector>

namespace dsdgen {

// Poles of a digital Butterworth filter of `order` with cut-off `cutoff`
// (radians per sample, 0 … π), by the bilinear transform of the analogue
// prototype. Low- and high-pass Butterworth filters share these poles.
std::vector<std::complex<double>> butterworth_poles(int order, double cutoff);

} // namespace dsdgen
