// Produces one channel's signal sample by sample at the DSD rate, as doubles
// in full-modulation units (see signal_description.h).
#pragma once

#include "signal_description.h"

#include <array>
#include <complex>
#include <cstdint>
#include <vector>

namespace dsdgen {

class signal_source {
public:
    signal_source(const channel_signal& signal, double sample_rate);

    double next();

private:
    struct oscillator {
        double frequency;
        double amplitude;
        std::complex<double> phasor;
        std::complex<double> rotation;
    };
    struct biquad {
        double b0, b1, b2, a1, a2;
        double s1 = 0.0, s2 = 0.0;
        double run(double x)
        {
            const double y = b0 * x + s1;
            s1 = b1 * x - a1 * y + s2;
            s2 = b2 * x - a2 * y;
            return y;
        }
    };

    void resync_oscillators();
    double white_noise();
    std::uint64_t random_bits();

    double sample_rate;
    std::int64_t position = 0;
    std::vector<oscillator> oscillators;

    bool has_noise = false;
    double noise_scale = 0.0;
    std::array<std::uint64_t, 4> random_state{};
    std::array<biquad, 2> noise_filter{};
};

} // namespace dsdgen
