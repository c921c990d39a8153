#include "dsdiff_file/dsd_source.h"
#include "dsdiff_file/dsdiff_file.h"
#include "dsdiff_file/file_on_disk.h"
#include "dst_encoder/frame_encoder.h"
#include "dst_file_writer.h"
#include "dsttool_commands.h"
#include "util/dsd_silence.h"

#include <algorithm>
#include <iostream>
#include <stdexcept>

namespace {

// As much as fills `block`, short only at the end of the audio.
std::size_t read_fully(dsd_source& source, std::vector<std::uint8_t>& block, abort_signal& abort)
{
    std::size_t done = 0;
    while (done < block.size()) {
        const std::size_t got = source.read(std::span(block).subspan(done), abort);
        if (got == 0) break;
        done += got;
    }
    return done;
}

} // namespace

int run_encode(const dsttool_command_line& cl, std::ostream& report)
{
    abort_signal& abort = never_aborted();
    const dsdiff_file input(open_file_on_disk(cl.input), abort, [](const std::string& line) { std::cerr << line << "\n"; });
    if (input.is_dst()) throw std::runtime_error("the input is already DST-compressed");
    const int channels = static_cast<int>(input.channel_count());
    if (channels == 0) throw std::runtime_error("the file has no channels");
    if (input.sample_rate() < 44100)
        throw std::runtime_error("sample rate " + std::to_string(input.sample_rate()) + " Hz is below 44100 Hz");
    dst_encoder::frame_encoder encoder(channels, static_cast<int>(input.sample_rate() / 44100));
    const auto frame_bytes = static_cast<std::size_t>(encoder.geometry().frame_bytes());

    dsdiff_writer::stream_format format;
    format.sample_rate = input.sample_rate();
    format.channel_ids.clear();
    for (const auto& id : input.channel_ids()) format.channel_ids.emplace_back(id.begin(), id.end());
    dst_file_writer output(cl.output, format);
    const auto sound = make_dsd_source(input, input.whole());

    std::vector<std::uint8_t> block(frame_bytes);
    std::uint64_t sound_bytes = 0, plain_frames = 0;
    for (std::uint64_t k = 0;; ++k) {
        const std::size_t got = read_fully(*sound, block, abort);
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
    // What the file holds beside its audio (markers, tags, comments) goes into the DST file as it is.
    std::vector<std::vector<std::uint8_t>> metadata;
    for (const top_level_chunk& chunk : input.chunks()) {
        const auto& id = chunk.node->id;
        if (id == iff_stream::make_id("FVER") || id == iff_stream::make_id("PROP") || id == iff_stream::make_id("DSD "))
            continue;
        metadata.push_back(copy_of_chunk(*chunk.node, abort));
    }
    output.finish(metadata);
    const double ratio = output.bytes_written() > 0 ? static_cast<double>(sound_bytes) / static_cast<double>(output.bytes_written()) : 0.0;
    report << "frames " << output.frame_count() << ", plain " << plain_frames << ", DSD bytes " << sound_bytes
           << ", file bytes " << output.bytes_written() << ", ratio " << ratio << "\n";
    return 0;
}
