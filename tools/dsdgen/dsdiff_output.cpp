#include "dsdiff_output.h"

#include "dsd_generator.h"
#include "dsdiff_writer.h"

#include <algorithm>
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

} // namespace

write_result write_dsdiff(const std::string& path, const signal_description& description, std::uint64_t frames)
{
    const auto channel_count = static_cast<unsigned>(description.channels.size());
    dsdiff_writer::stream_format format;
    format.sample_rate = description.sample_rate;
    format.channel_ids = dsdiff_writer::standard_channel_ids(channel_count);
    dsd_generator generator(description);

    const std::uint64_t sound_bytes = frames * channel_count;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot open " + path + " for writing");
    write_all(out, dsdiff_writer::plain_file_header(format, sound_bytes), path);

    std::vector<std::uint8_t> block(frames_per_block * channel_count);
    for (std::uint64_t done = 0; done < frames;) {
        const std::uint64_t length = std::min(frames_per_block, frames - done);
        const std::span<std::uint8_t> part(block.data(), length * channel_count);
        generator.generate(part);
        write_all(out, part, path);
        done += length;
    }
    if (sound_bytes % 2 != 0) write_all(out, std::vector<std::uint8_t>{0}, path); // chunk pad byte
    out.close();
    if (!out) throw std::runtime_error("cannot write " + path);
    return {sound_bytes, generator.overloads()};
}

} // namespace dsdgen
