#include "dsd_generator.h"

#include "util/dsd_silence.h"

#include <algorithm>
#include <stdexcept>

namespace dsdgen {

namespace {

// The band the noise is shaped away from, whatever the DSD rate.
constexpr double audio_band = 22050.0;
constexpr int modulator_order = 7;
constexpr double modulator_peak_gain = 1.3;

} // namespace

noise_transfer_function standard_noise_transfer_function(std::uint32_t sample_rate)
{
    return design_noise_transfer_function(modulator_order, sample_rate / (2.0 * audio_band), modulator_peak_gain);
}

dsd_generator::dsd_generator(const signal_description& description)
{
    if (description.channels.empty()) throw std::invalid_argument("no channels to generate");
    if (description.sample_rate == 0) throw std::invalid_argument("sample rate must not be 0");
    const noise_transfer_function ntf = standard_noise_transfer_function(description.sample_rate);
    for (const channel_signal& signal : description.channels) {
        const bool silent = signal.tones.empty() && !signal.band_noise;
        channels.push_back({silent, signal_source(signal, description.sample_rate), sigma_delta_modulator(ntf)});
    }
}

void dsd_generator::generate(std::span<std::uint8_t> interleaved)
{
    const std::size_t count = channels.size();
    if (interleaved.size() % count != 0) throw std::invalid_argument("block is not a whole number of frames");
    for (std::size_t c = 0; c < count; ++c) {
        channel& ch = channels[c];
        for (std::size_t k = c; k < interleaved.size(); k += count) {
            if (ch.silent) {
                interleaved[k] = dsd_silence_byte;
                continue;
            }
            unsigned byte = 0;
            for (int bit = 0; bit < 8; ++bit) {
                byte = (byte << 1) | static_cast<unsigned>(ch.modulator.step(ch.source.next()));
            }
            interleaved[k] = static_cast<std::uint8_t>(byte);
        }
    }
}

std::uint64_t dsd_generator::overloads() const
{
    std::uint64_t total = 0;
    for (const channel& ch : channels) total += ch.modulator.overloads();
    return total;
}

double dsd_generator::peak_quantizer_input() const
{
    double peak = 0.0;
    for (const channel& ch : channels) peak = std::max(peak, ch.modulator.peak_quantizer_input());
    return peak;
}

std::vector<std::uint8_t> generate_dsd(const signal_description& description, std::uint64_t frames)
{
    dsd_generator generator(description);
    std::vector<std::uint8_t> out(frames * generator.channel_count());
    generator.generate(out);
    return out;
}

} // namespace dsdgen
