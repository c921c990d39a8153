// What dsdgen generates: a DSD rate and, per channel, a sum of sine tones and
// optionally band-limited noise. A channel with neither is digital silence:
// the bytes 0x69 repeated, the usual DSD idle pattern (4 ones and 4 zeros per
// byte, symmetric in time, so the DSD-to-PCM filter maps it to exactly 0).
//
// Levels are in dBFS relative to full modulation: 0 dBFS is a sine whose peak
// spans the whole ±1 range of the 1-bit stream (100 % modulation). A −6 dBFS
// tone thus has peak 0.501; through the DSD-to-PCM filter, whose gain at 0 Hz
// is 1.99392, it comes out with peak 0.999. Noise levels are RMS levels on the
// same scale (AES17: 0 dBFS is the RMS of a 0 dBFS sine, 1/√2). The sum of a
// channel's parts is limited to ±input_ceiling before modulation.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace dsdgen {

struct tone {
    double frequency = 1000.0; // Hz
    double level_db = -6.0;    // peak, dBFS
};

// White noise from a fixed-seed generator (xoshiro256**), low-passed at
// noise_bandwidth by a 4th-order Butterworth filter, which leaves it close to
// Gaussian.
struct noise {
    double level_db = -20.0; // RMS, dBFS
    std::uint64_t seed = 1;
};

struct channel_signal {
    std::vector<tone> tones;
    std::optional<noise> band_noise;
};

struct signal_description {
    std::uint32_t sample_rate = 2822400; // DSD samples per second per channel
    std::vector<channel_signal> channels;
};

// The largest input the modulator is fed: −3 dBFS, where it is still stable
// with a margin.
inline constexpr double input_ceiling = 0.7079457843841379;
inline constexpr double noise_bandwidth = 20000.0; // Hz

// Linear amplitude of a level in dB.
double amplitude_of(double level_db);

} // namespace dsdgen
