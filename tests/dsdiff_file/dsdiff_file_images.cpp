#include "dsdiff_file_images.h"

#include "dsd_generator.h"
#include "dst_encoder/frame_encoder.h"
#include "memory_source.h"

#include <stdexcept>

namespace dsdiff_file_test {

using namespace dsdiff_writer;

bytes tones(unsigned channels, std::uint64_t bytes_per_channel, std::uint32_t sample_rate)
{
    dsdgen::signal_description signal;
    signal.sample_rate = sample_rate;
    for (unsigned c = 0; c < channels; ++c) signal.channels.push_back({{{500.0 * (c + 1), -8.0}}, dsdgen::noise{-40.0, c + 1}});
    return dsdgen::generate_dsd(signal, bytes_per_channel);
}

std::uint64_t frame_bytes_per_channel(std::uint32_t sample_rate) { return 588 * (sample_rate / 44100) / 8; }

std::vector<bytes> dst_frames(std::span<const std::uint8_t> sound, unsigned channels, std::uint32_t sample_rate)
{
    dst_encoder::frame_encoder encoder(static_cast<int>(channels), static_cast<int>(sample_rate / 44100));
    const auto frame = static_cast<std::size_t>(encoder.geometry().frame_bytes());
    if (sound.size() % frame != 0) throw std::invalid_argument("DST test sound must hold whole frames");
    std::vector<bytes> frames;
    for (std::size_t at = 0; at < sound.size(); at += frame) frames.push_back(encoder.encode(sound.subspan(at, frame), {}));
    return frames;
}

std::unique_ptr<dsdiff_file> open_image(const bytes& image, std::vector<std::string>* console)
{
    return std::make_unique<dsdiff_file>(memory_source(image), never, [console](const std::string& line) {
        if (console) console->push_back(line);
    });
}

} // namespace dsdiff_file_test
