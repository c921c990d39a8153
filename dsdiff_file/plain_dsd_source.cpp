#include "dsdiff_file/plain_dsd_source.h"

#include "util/exceptions.h"

#include <algorithm>

plain_dsd_source::plain_dsd_source(service_ptr_t<file> sound_data, std::uint32_t channel_count, const dsd_byte_range& range)
    : dsd_source(channel_count, range), sound_data_(std::move(sound_data)), position_(range.first)
{
}

std::size_t plain_dsd_source::read(std::span<std::uint8_t> out, abort_signal& abort)
{
    abort.check();
    const std::uint32_t n = channel_count();
    const std::uint64_t groups = std::min<std::uint64_t>(out.size() / n, range().end - position_);
    const std::size_t want = static_cast<std::size_t>(groups) * n;
    // Seeking first lets several sources share the reader.
    sound_data_->seek(position_ * n, abort);
    std::size_t done = 0;
    while (done < want) {
        const std::size_t got = sound_data_->read(out.data() + done, want - done, abort);
        if (got == 0)
            throw exception_io_data_truncation("The DSD chunk's data ends at byte " + std::to_string(position_ * n + done) +
                                               ", before the size it states");
        done += got;
    }
    position_ += groups;
    return want;
}
