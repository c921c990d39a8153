// DSD test signals: tones through a sigma-delta modulator, and noise.
#pragma once

#include <cstdint>
#include <vector>

namespace dst_test {

// `bytes_per_channel` bytes per channel, interleaved, of a second-order
// sigma-delta modulation of a sine per channel (channel c at frequency
// `base_hz` x (c + 1), amplitude 0.5), at rate_factor x 44100 Hz.
std::vector<std::uint8_t> tone_dsd(int channel_count, int rate_factor, long bytes_per_channel, double base_hz = 1000.0);

// Uniformly random bytes: incompressible.
std::vector<std::uint8_t> noise_dsd(std::size_t bytes, std::uint64_t seed);

} // namespace dst_test
