#include "dsdiff_input.h"

#include "dsdiff/validate.h"
#include "qvxhost/player/local_filesystem.h"

#include <iostream>
#include <stdexcept>

namespace {

constexpr iff_stream::chunk_id id_prop = iff_stream::make_id("PROP");
constexpr iff_stream::chunk_id id_chnl = iff_stream::make_id("CHNL");
constexpr iff_stream::chunk_id id_dst = iff_stream::make_id("DST ");
constexpr iff_stream::chunk_id id_dstf = iff_stream::make_id("DSTF");

} // namespace

dsdiff_input::dsdiff_input(const std::string& path)
{
    const file_ptr source = open_local_file(path, abort_);
    root_.load(source, abort_);
    validate_dsdiff(root_, props_, [](const std::string& line) { std::cerr << line << "\n"; });

    // Validation has checked "PROP" and its "CHNL"; only the identifiers are needed here.
    iff_stream::iff_packet_base* prop = nullptr;
    iff_stream::iff_packet_base* chnl = nullptr;
    std::size_t index = 0;
    if (root_.find_child(0, id_prop, prop, index)
        && static_cast<iff_stream::iff_packet_container*>(prop)->find_child(0, id_chnl, chnl, index)) {
        const auto& data = static_cast<iff_stream::iff_packet_data*>(chnl)->data;
        for (std::uint32_t c = 0; c < props_.channel_count; ++c)
            channel_ids_.emplace_back(reinterpret_cast<const char*>(data.data()) + 2 + 4 * c, 4);
    }
}

int dsdiff_input::rate_factor() const
{
    if (props_.channel_count == 0) throw std::runtime_error("the file has no channels");
    const std::uint32_t factor = props_.sample_rate / 44100;
    if (factor < 1) throw std::runtime_error("sample rate " + std::to_string(props_.sample_rate) + " Hz is below 44100 Hz");
    return static_cast<int>(factor);
}

std::size_t dsdiff_input::read_sound(std::uint8_t* out, std::size_t bytes)
{
    std::size_t done = 0;
    while (done < bytes) {
        const std::size_t got = props_.sound_reader->read(out + done, bytes - done, abort_);
        if (got == 0) break;
        done += got;
    }
    return done;
}

std::vector<const iff_stream::iff_packet_file*> dsdiff_input::frames() const
{
    std::vector<const iff_stream::iff_packet_file*> out;
    iff_stream::iff_packet_base* node = nullptr;
    std::size_t index = 0;
    if (!root_.find_child(0, id_dst, node, index)) throw std::runtime_error("DST chunk missing");
    const auto* container = static_cast<const iff_stream::iff_packet_container*>(node);
    // "FRTE" is the container's first child; frames follow it.
    std::size_t next = 1;
    while (container->find_child(next, id_dstf, node, index)) {
        out.push_back(static_cast<const iff_stream::iff_packet_file*>(node));
        next = index + 1;
    }
    return out;
}

std::vector<std::uint8_t> dsdiff_input::read_frame(const iff_stream::iff_packet_file& frame, std::uint64_t limit)
{
    const std::uint64_t size = frame.reader->get_size(abort_);
    if (size > limit)
        throw std::runtime_error("frame of " + std::to_string(size) + " bytes is larger than any valid frame");
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    frame.reader->seek(0, abort_);
    frame.reader->read_object(bytes.data(), bytes.size(), abort_);
    return bytes;
}
