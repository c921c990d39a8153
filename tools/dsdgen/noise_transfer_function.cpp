#include "noise_transfer_function.h"

#include "butterworth.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace dsdgen {

namespace {

using complex = std::complex<double>;

// P_n(x) and its derivative by the three-term recurrence.
std::pair<double, double> legendre(int n, double x)
{
    double previous = 1.0, current = x;
    if (n == 0) return {1.0, 0.0};
    for (int k = 2; k <= n; ++k) {
        const double next = ((2.0 * k - 1.0) * x * current - (k - 1.0) * previous) / k;
        previous = current;
        current = next;
    }
    const double derivative = n * (x * current - previous) / (x * x - 1.0);
    return {current, derivative};
}

double peak_gain_of(const std::vector<complex>& zeros, const std::vector<complex>& poles)
{
    noise_transfer_function probe{zeros, poles, {}};
    return probe.peak_gain();
}

// Pairs each zero of non-negative angle with its conjugate, each pole likewise,
// and matches pole pairs to zero pairs by angle.
std::vector<ntf_section> make_sections(const std::vector<complex>& zeros, const std::vector<complex>& poles)
{
    auto upper = [](const std::vector<complex>& roots) {
        std::vector<complex> kept;
        for (const complex& r : roots) {
            if (r.imag() >= -1e-12) kept.push_back(r);
        }
        std::sort(kept.begin(), kept.end(), [](complex a, complex b) { return std::arg(a) < std::arg(b); });
        return kept;
    };
    const std::vector<complex> z = upper(zeros), p = upper(poles);
    if (z.size() != p.size()) throw std::logic_error("unpaired roots in noise-transfer function");
    std::vector<ntf_section> sections;
    for (std::size_t k = 0; k < z.size(); ++k) {
        ntf_section s;
        if (std::abs(z[k].imag()) < 1e-12) {
            s.b1 = -z[k].real();
        } else {
            s.b1 = -2.0 * z[k].real();
            s.b2 = std::norm(z[k]);
        }
        if (std::abs(p[k].imag()) < 1e-12) {
            s.a1 = -p[k].real();
        } else {
            s.a1 = -2.0 * p[k].real();
            s.a2 = std::norm(p[k]);
        }
        sections.push_back(s);
    }
    return sections;
}

} // namespace

complex noise_transfer_function::response(double radians_per_sample) const
{
    const complex z = std::polar(1.0, radians_per_sample);
    complex value = 1.0;
    for (const complex& zero : zeros) value *= z - zero;
    for (const complex& pole : poles) value /= z - pole;
    return value;
}

double noise_transfer_function::peak_gain() const
{
    double peak = 0.0;
    constexpr int points = 4096;
    for (int k = 0; k <= points; ++k) peak = std::max(peak, std::abs(response(std::numbers::pi * k / points)));
    return peak;
}

std::vector<double> legendre_roots(int n)
{
    std::vector<double> roots;
    for (int k = 0; k < n; ++k) {
        // Newton's method from the usual asymptotic estimate converges to root k.
        double x = std::cos(std::numbers::pi * (k + 0.75) / (n + 0.5));
        for (int iteration = 0; iteration < 100; ++iteration) {
            const auto [value, derivative] = legendre(n, x);
            const double step = value / derivative;
            x -= step;
            if (std::abs(step) < 1e-16) break;
        }
        roots.push_back(n % 2 == 1 && k == n / 2 ? 0.0 : x);
    }
    std::sort(roots.begin(), roots.end());
    return roots;
}

noise_transfer_function design_noise_transfer_function(int order, double oversampling_ratio, double peak_gain)
{
    if (order < 1 || order > 9) throw std::invalid_argument("modulator order must be 1 to 9");
    if (!(oversampling_ratio > 1.0) || !(peak_gain > 1.0)) throw std::invalid_argument("invalid modulator design target");
    const double band_edge = std::numbers::pi / oversampling_ratio;
    std::vector<complex> zeros;
    for (double root : legendre_roots(order)) zeros.push_back(std::polar(1.0, root * band_edge));

    // The peak gain grows with the cut-off: bisect for the target.
    double low = 1e-6, high = std::numbers::pi * 0.999;
    for (int iteration = 0; iteration < 60; ++iteration) {
        const double middle = 0.5 * (low + high);
        if (peak_gain_of(zeros, butterworth_poles(order, middle)) > peak_gain) high = middle;
        else low = middle;
    }
    std::vector<complex> poles = butterworth_poles(order, low);
    std::vector<ntf_section> sections = make_sections(zeros, poles);
    return {std::move(zeros), std::move(poles), std::move(sections)};
}

} // namespace dsdgen
