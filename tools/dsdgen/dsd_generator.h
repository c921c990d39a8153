// Turns a signal description into channel-interleaved DSD bytes (byte k of
// channel c at k × channels + c; most significant bit = earliest sample, 1 =
// +1), one modulator per channel, block after block.
#pragma once

#include "noise_transfer_function.h"
#include "sigma_delta_modulator.h"
#include "signal_description.h"
#include "signal_source.h"

#include <cstdint>
#include <span>
#include <vector>

namespace dsdgen {

// The modulator every channel uses: 7th order, out-of-band gain 1.3, zeros
// spread over 0 … 22.05 kHz. Stable up to about −2.5 dBFS; in-band noise
// about −122 dBFS (20 Hz … 20 kHz) at 2822400 Hz.
noise_transfer_function standard_noise_transfer_function(std::uint32_t sample_rate);

class dsd_generator {
public:
    // Throws std::invalid_argument for no channels or a zero rate.
    explicit dsd_generator(const signal_description& description);

    std::size_t channel_count() const { return channels.size(); }

    // Fills `interleaved` with the next frames (its size must be a multiple of
    // the channel count; each frame is one byte per channel).
    void generate(std::span<std::uint8_t> interleaved);

    // Overloads of all channels' modulators so far (0 for a healthy stream).
    std::uint64_t overloads() const;
    // Largest quantiser input of any channel so far.
    double peak_quantizer_input() const;

private:
    struct channel {
        bool silent;
        signal_source source;
        sigma_delta_modulator modulator;
    };
    std::vector<channel> channels;
};

// Generates `frames` frames (bytes per channel) in memory.
std::vector<std::uint8_t> generate_dsd(const signal_description& description, std::uint64_t frames);

} // namespace dsdgen
