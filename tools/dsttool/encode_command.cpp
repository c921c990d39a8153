#include "dsdiff_input.h"
#include "dst_encoder/frame_encoder.h"
#include "dst_file_writer.h"
#include "dsttool_commands.h"
#include "util/dsd_silence.h"

#include <algorithm>
#include <iostream>
#include <stdexcept>

int run_encode(const dsttool_command_line& cl, std::ostream& report)
{
    dsdiff_input input(cl.input);
    if (input.properties().is_dst) throw std::runtime_error("the input is already DST-compressed");
    const int channels = static_cast<int>(input.properties().channel_count);
    dst_encoder::frame_encoder encoder(channels, input.rate_factor());
    const auto frame_bytes = static_cast<std::size_t>(encoder.geometry().frame_bytes());

    dsdiff_writer::stream_format format;
    format.sample_rate = input.properties().sample_rate;
    format.channel_ids = input.channel_ids();
    dst_file_writer output(cl.output, format);

    std::vector<std::uint8_t> block(frame_bytes);
    std::uint64_t sound_bytes = 0, plain_frames = 0;
    for (std::uint64_t k = 0;; ++k) {
        const std::size_t got = input.read_sound(block.data(), block.size());
        if (got == 0) break;
        sound_bytes += got;
        // The last frame is completed with DSD silence.
        std::fill(block.begin() + static_cast<std::ptrdiff_t>(got), block.end(), dsd_silence_byte);
        const dst_encoder::encoder_options options =
            cl.random_features ? dst_encoder::random_options(*cl.random_features * 1000003 + k, channels) : cl.options;
        output.add_frame(encoder.encode(block, options));
        const dst_encoder::frame_summary& s = encoder.last_frame();
        plain_frames += s.plain ? 1 : 0;
        if (cl.verbose)
            std::cerr << "frame " << k << ": " << s.bytes << " bytes" << (s.plain ? " (plain)" : "") << "\n";
        if (got < block.size()) break;
    }
    output.finish();
    const double ratio = output.bytes_written() > 0 ? static_cast<double>(sound_bytes) / static_cast<double>(output.bytes_written()) : 0.0;
    report << "frames " << output.frame_count() << ", plain " << plain_frames << ", DSD bytes " << sound_bytes
           << ", file bytes " << output.bytes_written() << ", ratio " << ratio << "\n";
    return 0;
}
