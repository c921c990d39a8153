#include "dsdiff_input.h"
#include "dst/dst_frame_decoder.h"
#include "dsttool_commands.h"
#include "util/dsd_silence.h"

#include <fstream>
#include <iostream>
#include <new>
#include <stdexcept>

int run_decode(const dsttool_command_line& cl)
{
    dsdiff_input input(cl.input);
    if (!input.properties().is_dst) throw std::runtime_error("the input is not DST-compressed");
    const int channels = static_cast<int>(input.properties().channel_count);

    dst_frame_decoder decoder;
    decoder.create(channels, input.rate_factor());
    const std::size_t frame_bytes = static_cast<std::size_t>(channels) * decoder.bytes_per_channel();
    // No valid frame is longer than its DSD plus the largest possible tables.
    const std::uint64_t frame_limit = frame_bytes + 1024ULL * static_cast<std::uint64_t>(channels) + 1024;

    std::ofstream out(cl.output, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot create " + cl.output);
    std::vector<std::uint8_t> dsd(frame_bytes);
    const auto frames = input.frames();
    for (std::size_t k = 0; k < frames.size(); ++k) {
        int status = 0;
        try {
            const std::vector<std::uint8_t> frame = input.read_frame(*frames[k], frame_limit);
            status = decoder.decode_frame(static_cast<std::uint32_t>(frame.size()), frame.data(), dsd.data());
        } catch (const std::bad_alloc&) {
            throw;
        } catch (const std::exception& e) {
            std::cerr << "error: frame " << k << ": " << e.what() << "\n";
            return 1;
        }
        if (status != 0) {
            std::cerr << "frame " << k << ": bad arithmetic code\n";
            std::fill(dsd.begin(), dsd.end(), dsd_silence_byte);
        }
        out.write(reinterpret_cast<const char*>(dsd.data()), static_cast<std::streamsize>(dsd.size()));
        if (!out) throw std::runtime_error("cannot write " + cl.output);
    }
    out.close();
    if (!out) throw std::runtime_error("cannot write " + cl.output);
    decoder.destroy();
    return 0;
}
