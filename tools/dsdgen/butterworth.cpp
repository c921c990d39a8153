#include "butterworth.h"

#include <cmath>
#include <numbers>

namespace dsdgen {

std::vector<std::complex<double>> butterworth_poles(int order, double cutoff)
{
    const double warped = std::tan(cutoff / 2.0);
    std::vector<std::complex<double>> poles;
    for (int k = 0; k < order; ++k) {
        // Left half-plane poles of the analogue prototype, evenly spaced on a circle.
        const double angle = std::numbers::pi * (2.0 * k + order + 1.0) / (2.0 * order);
        const std::complex<double> s = warped * std::polar(1.0, angle);
        poles.push_back((1.0 + s) / (1.0 - s));
    }
    return poles;
}

} // namespace dsdgen
