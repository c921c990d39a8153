#include "dsdiff_output.h"

#include "dsd_generator.h"
#include "dsdiff_writer.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace dsdgen {

namespace {

constexpr std::uint64_t frames_per_block = 16384;

void write_all(std::ofstream& out, std::span<const std::uint8_t> data, const std::string& path)
{
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

// "DIIN" with the master's title and artist and a TrackStart marker for each track, its time
// code in whole seconds and samples.
dsdiff_writer::bytes master_chunk(const master_info& master, std::uint32_t sample_rate)
{
    dsdiff_writer::bytes payload;
    if (!master.title.empty()) dsdiff_writer::append(payload, dsdiff_writer::counted_text_chunk("DITI", master.title));
    if (!master.artist.empty()) dsdiff_writer::append(payload, dsdiff_writer::counted_text_chunk("DIAR", master.artist));
    for (const track_mark& track : master.tracks) {
        const auto position = static_cast<std::uint64_t>(std::llround(track.seconds * sample_rate));
        const std::uint64_t whole_seconds = position / sample_rate;
        dsdiff_writer::marker m;
        m.hours = static_cast<std::uint16_t>(whole_seconds / 3600);
        m.minutes = static_cast<std::uint8_t>(whole_seconds / 60 % 60);
        m.seconds = static_cast<std::uint8_t>(whole_seconds % 60);
        m.samples = static_cast<std::uint32_t>(position % sample_rate);
        m.text = track.title;
        dsdiff_writer::append(payload, dsdiff_writer::mark(m));
    }
    return dsdiff_writer::chunk("DIIN", payload);
}

} // namespace

write_result write_dsdiff(const std::string& path, const signal_description& description, std::uint64_t frames,
                          const master_info& master)
{
    const auto channel_count = static_cast<unsigned>(description.channels.size());
    dsdiff_writer::stream_format format;
    format.sample_rate = description.sample_rate;
    format.channel_ids = dsdiff_writer::standard_channel_ids(channel_count);
    dsd_generator generator(description);

    const std::uint64_t sound_bytes = frames * channel_count;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot open " + path + " for writing");
    const dsdiff_writer::bytes trailing = master.empty() ? dsdiff_writer::bytes{} : master_chunk(master, format.sample_rate);
    write_all(out, dsdiff_writer::plain_file_header(format, sound_bytes, trailing.size()), path);

    std::vector<std::uint8_t> block(frames_per_block * channel_count);
    for (std::uint64_t done = 0; done < frames;) {
        const std::uint64_t length = std::min(frames_per_block, frames - done);
        const std::span<std::uint8_t> part(block.data(), length * channel_count);
        generator.generate(part);
        write_all(out, part, path);
        done += length;
    }
    if (sound_bytes % 2 != 0) write_all(out, std::vector<std::uint8_t>{0}, path); // chunk pad byte
    write_all(out, trailing, path);
    out.close();
    if (!out) throw std::runtime_error("cannot write " + path);
    return {sound_bytes, generator.overloads()};
}

} // namespace dsdgen
