#include "input/input_dsdiff.h"

#include "host_access/console.h"
#include "host_access/filesystem_open.h"
#include "dsd2pcm/dsd_converter.h"
#include "dsdiff/validate.h"
#include "dst/dst_frame_decoder.h"
#include "preferences/settings.h"

#include <string>

input_dsdiff::input_dsdiff() : max_output_rate(static_cast<std::uint32_t>(static_cast<std::int32_t>(max_rate_setting))) {}

input_dsdiff::~input_dsdiff() = default;

void input_dsdiff::open(service_ptr_t<file> file_hint, const char* path, open_reason reason, abort_signal& abort)
{
    if (reason == open_reason::info_write) throw exception_io_data();
    source = std::move(file_hint);
    if (source.is_empty())
        source = filesystem_g_open(path, filesystem::open_mode_read, abort);
    else
        source->reopen(abort);
    root.load(source, abort);
    validate();
}

void input_dsdiff::validate()
{
    validate_dsdiff(root, props, [](const std::string& line) { console_formatter() << line; });
}

void input_dsdiff::read_info(std::uint32_t subsong, track_info& info, abort_signal& abort)
{
    if (subsong != 0) throw exception_io_data();
    const auto set = [&info](const char* name, const std::string& value) {
        info.set_field(name, track_info::length_unbounded, value.c_str(), track_info::length_unbounded);
    };
    set("codec", "DSD");
    set("original_samplerate", std::to_string(props.sample_rate));
    set("channels", std::to_string(props.channel_count));
    if (props.is_dst) {
        info.set_length(static_cast<double>(props.frame_count) / static_cast<double>(props.frame_rate));
    } else {
        const std::uint64_t size = props.sound_reader->get_size(abort);
        if (size == filesize_invalid) throw exception_io_no_length();
        info.set_length(static_cast<double>(size) / props.channel_count * 8.0 / props.sample_rate);
    }
}

file_stats input_dsdiff::read_file_stats(abort_signal& abort)
{
    file_stats stats;
    stats.size = source->get_size(abort);
    stats.timestamp = source->get_timestamp(abort);
    return stats;
}

bool input_dsdiff::read_dynamic_info(track_info& info)
{
    if (!dynamic_info_pending) return false;
    const std::uint32_t rate = pcm_rate() < max_output_rate ? pcm_rate() : max_output_rate;
    info.set_field("samplerate", track_info::length_unbounded, std::to_string(rate).c_str(), track_info::length_unbounded);
    dynamic_info_pending = false;
    return true;
}

bool input_dsdiff::can_seek() { return source.is_valid() && source->can_seek(); }

void input_dsdiff::on_idle(abort_signal& abort)
{
    if (source.is_valid()) source->on_idle(abort);
}
