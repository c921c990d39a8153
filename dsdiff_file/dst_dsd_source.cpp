#include "dsdiff_file/dst_dsd_source.h"

#include "dsdiff_file/dsdiff_file.h"
#include "util/exceptions.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <new>

namespace {

// The DST decoder's own errors become exception_io_data; allocation failures pass.
template <class Call>
auto with_decoder_errors(const std::string& prefix, Call&& call)
{
    try {
        return call();
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& e) {
        throw exception_io_data(prefix + e.what());
    }
}

} // namespace

dst_dsd_source::dst_dsd_source(const dsdiff_file& file, const dsd_byte_range& range)
    : dsd_source(file.channel_count(), range), file_(file), frame_bytes_per_channel_(file.dst_frame_bytes_per_channel()),
      position_(range.first)
{
    if (file.sample_rate() % 44100 != 0)
        throw exception_io_data("Unsupported DST sample rate: " + std::to_string(file.sample_rate()));
    if (file.dst_frames_present() == 0) throw exception_io_data("No DSTF chunks");
    with_decoder_errors("", [&] {
        decoder_.create(static_cast<int>(file.channel_count()), static_cast<int>(file.sample_rate() / 44100));
        return 0;
    });
    decoded_.resize(static_cast<std::size_t>(file.channel_count()) * decoder_.bytes_per_channel());
}

std::string dst_dsd_source::where(std::size_t frame) const
{
    // The frame's first sample over the sample rate; three decimals tell frames apart.
    const double seconds = static_cast<double>(frame) * static_cast<double>(frame_bytes_per_channel_ * 8) / file_.sample_rate();
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, seconds, std::chars_format::fixed, 3);
    return "DST frame " + std::to_string(frame) + " (" + std::string(text, written.ptr) + " s into the audio): ";
}

void dst_dsd_source::decode(std::size_t frame, abort_signal& abort)
{
    abort.check();
    // Faults of the frame's chunk name the frame too; errors of the host's file do not
    // concern it and pass unchanged.
    try {
        file_.read_dst_frame(frame, frame_, abort);
    } catch (const exception_io_data& e) {
        throw exception_io_data(where(frame) + e.what());
    }
    const int status = with_decoder_errors(where(frame), [&] {
        return decoder_.decode_frame(static_cast<std::uint32_t>(frame_.size()), frame_.data(), decoded_.data());
    });
    if (status != 0) throw exception_io_data(where(frame) + "its arithmetic code does not end as required");
    decoded_frame_ = frame;
}

std::size_t dst_dsd_source::read(std::span<std::uint8_t> out, abort_signal& abort)
{
    const std::uint32_t n = channel_count();
    std::size_t written = 0;
    while (position_ < range().end && out.size() - written >= n) {
        const std::uint64_t frame = position_ / frame_bytes_per_channel_;
        if (frame != decoded_frame_) decode(static_cast<std::size_t>(frame), abort);
        const std::uint64_t within = position_ - frame * frame_bytes_per_channel_;
        const std::uint64_t frame_end = (frame + 1) * frame_bytes_per_channel_;
        const std::uint64_t groups = std::min({frame_end - position_, range().end - position_,
                                               std::uint64_t{(out.size() - written) / n}});
        std::memcpy(out.data() + written, decoded_.data() + within * n, static_cast<std::size_t>(groups) * n);
        written += static_cast<std::size_t>(groups) * n;
        position_ += groups;
    }
    return written;
}
