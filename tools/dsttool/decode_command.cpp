#include "dsdiff_file/dsdiff_file.h"
#include "dsdiff_file/file_on_disk.h"
#include "dst/dst_frame_decoder.h"
#include "dsttool_commands.h"
#include "util/dsd_silence.h"

#include <fstream>
#include <iostream>
#include <new>
#include <stdexcept>

int run_decode(const dsttool_command_line& cl)
{
    abort_signal& abort = never_aborted();
    const dsdiff_file input(open_file_on_disk(cl.input), abort, [](const std::string& line) { std::cerr << line << "\n"; });
    if (!input.is_dst()) throw std::runtime_error("the input is not DST-compressed");
    const int channels = static_cast<int>(input.channel_count());

    // Frame by frame with the decoder itself, so that a frame whose code ends wrongly is
    // reported and written as silence: the decoder's own behaviour, which tests compare.
    dst_frame_decoder decoder;
    decoder.create(channels, static_cast<int>(input.sample_rate() / 44100));
    std::vector<std::uint8_t> dsd(static_cast<std::size_t>(channels) * decoder.bytes_per_channel());

    std::ofstream out(cl.output, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot create " + cl.output);
    std::vector<std::uint8_t> frame;
    for (std::size_t k = 0; k < input.dst_frames_present(); ++k) {
        int status = 0;
        try {
            input.read_dst_frame(k, frame, abort);
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
