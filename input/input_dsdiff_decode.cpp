// The decoding side of input_dsdiff: plain DSD blocks or DST frames, through
// one converter per channel, then the host's resampler when the PCM rate
// exceeds the maximum output rate.
#include "input/input_dsdiff.h"

#include "host_access/core_api.h"
#include "dsd2pcm/dsd_converter.h"
#include "dst/dst_frame_decoder.h"
#include "input/audio_chunk_view.h"
#include "input/dsp_chunk_list_impl.h"
#include "input/resampler_selection.h"
#include "util/dsd_silence.h"

#include <cmath>
#include <cstring>
#include <exception>
#include <new>
#include <string>

namespace {

constexpr std::uint32_t block_bytes_per_channel = 16384;
constexpr iff_stream::chunk_id id_dst = iff_stream::make_id("DST ");
constexpr iff_stream::chunk_id id_dstf = iff_stream::make_id("DSTF");

// The DST decoder's own errors become exception_io_data with the same text;
// allocation failures pass unchanged.
template <class Call>
auto with_decoder_errors(Call&& call)
{
    try {
        return call();
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& e) {
        throw exception_io_data(e.what());
    }
}

} // namespace

void input_dsdiff::check_decodable() const
{
    if (props.sample_rate < 8 || props.sample_rate > max_decode_rate)
        throw exception_io_data("Unsupported sample rate: " + std::to_string(props.sample_rate));
    if (props.is_dst && props.sample_rate % 44100 != 0)
        throw exception_io_data("Unsupported DST sample rate: " + std::to_string(props.sample_rate));
}

void input_dsdiff::start_decoding(std::uint32_t subsong, abort_signal& abort)
{
    if (subsong != 0) throw exception_io_data();
    check_decodable();
    end_of_data = false;
    dynamic_info_pending = true;

    converters.resize(props.channel_count);
    for (dsd_converter& converter : converters) converter.reset();

    std::size_t buffer_bytes = 0;
    if (!props.is_dst) {
        props.sound_reader->reopen(abort);
        buffer_bytes = static_cast<std::size_t>(props.channel_count) * block_bytes_per_channel;
    } else {
        dst_decoder.reset();
        auto decoder = std::make_unique<dst_frame_decoder>();
        with_decoder_errors([&] {
            decoder->create(static_cast<int>(props.channel_count), static_cast<int>(props.sample_rate / 44100));
            return 0;
        });
        dst_decoder = std::move(decoder);
        // Exactly what one frame decodes to, so the buffer can never be short.
        buffer_bytes = static_cast<std::size_t>(props.channel_count) * dst_decoder->bytes_per_channel();

        iff_stream::iff_packet_base* node = nullptr;
        std::size_t index = 0;
        if (!root.find_child(0, id_dst, node, index) || node->type != iff_stream::type_container)
            throw exception_io_data("DST chunk missing");
        dst_container = static_cast<const iff_stream::iff_packet_container*>(node);
        if (!dst_container->find_child(1, id_dstf, node, index)) throw exception_io_data("No DSTF chunks");
        next_frame_index = static_cast<std::uint32_t>(index);
        frame_skip_bytes = 0;
    }
    dsd_buffer.resize(buffer_bytes);
    pcm_buffer.resize(buffer_bytes);
}

void input_dsdiff::read_plain_block(std::uint32_t& bytes, abort_signal& abort)
{
    const std::size_t want = dsd_buffer.size();
    const std::size_t got = props.sound_reader->read(dsd_buffer.data(), want, abort);
    if (got < want) end_of_data = true;
    bytes = static_cast<std::uint32_t>(got);
}

bool input_dsdiff::read_dst_frame(std::uint32_t& bytes, abort_signal& abort)
{
    for (;;) {
        iff_stream::iff_packet_base* node = nullptr;
        std::size_t index = 0;
        if (!dst_container->find_child(next_frame_index, id_dstf, node, index)) return false;
        if (node->type != iff_stream::type_file) throw exception_io_data("DSTF chunks parsed incorrectly");
        const service_ptr_t<file>& reader = static_cast<const iff_stream::iff_packet_file*>(node)->reader;

        const std::uint64_t size = reader->get_size(abort);
        if (size == filesize_invalid) throw exception_io_no_length();
        // A frame is never larger than its plain form plus its tables; refusing
        // larger ones keeps a hostile size from sizing the buffer.
        const std::uint64_t frame_limit = std::uint64_t{props.channel_count} * (dst_decoder->bytes_per_channel() + 1024) + 1024;
        if (size > frame_limit) throw exception_io_data("DSTF chunk too large");
        frame_buffer.resize(static_cast<std::size_t>(size));
        reader->reopen(abort);
        reader->read_object(frame_buffer.data(), frame_buffer.size(), abort);

        const int status = with_decoder_errors(
            [&] { return dst_decoder->decode_frame(static_cast<std::uint32_t>(size), frame_buffer.data(), dsd_buffer.data()); });
        // A frame whose arithmetic code ends wrongly plays as silence: timing
        // is kept and nothing of the previous frame is repeated.
        if (status != 0) std::memset(dsd_buffer.data(), dsd_silence_byte, dsd_buffer.size());

        next_frame_index = static_cast<std::uint32_t>(index + 1);
        std::uint32_t n = static_cast<std::uint32_t>(dsd_buffer.size());
        if (frame_skip_bytes != 0) {
            const std::uint64_t skip = std::uint64_t{frame_skip_bytes} * props.channel_count;
            frame_skip_bytes = 0;
            if (skip >= n) continue; // the seek landed at this frame's very end
            std::memmove(dsd_buffer.data(), dsd_buffer.data() + skip, n - skip);
            n -= static_cast<std::uint32_t>(skip);
        }
        bytes = n;
        return true;
    }
}

void input_dsdiff::convert(std::uint32_t bytes, float* pcm)
{
    const std::uint32_t channels = props.channel_count;
    const auto per_channel = static_cast<std::int32_t>(bytes / channels);
    for (std::uint32_t c = 0; c < channels; ++c)
        converters[c].convert(dsd_buffer.data() + c, channels, pcm + c, channels, per_channel);
}

void input_dsdiff::deliver(std::uint32_t bytes, audio_chunk& chunk)
{
    const std::size_t samples = bytes / props.channel_count;
    chunk.set_data_size(samples * props.channel_count);
    // An empty chunk may have no buffer at all.
    if (samples != 0) convert(bytes, chunk.get_data());
    chunk.set_sample_count(samples);
    chunk.set_channels(props.channel_count, props.channel_mask);
    chunk.set_sample_rate(pcm_rate());
}

bool input_dsdiff::resample(std::size_t samples, bool end_of_stream, audio_chunk& chunk, abort_signal& abort)
{
    const std::uint32_t channels = props.channel_count;
    dsp_chunk_list_impl list;
    audio_chunk* input = list.insert_item(list.get_count(), samples * channels);
    audio_chunk_temp_impl_mod(pcm_buffer.data(), samples, pcm_rate(), channels, props.channel_mask).copy_to(*input);

    service_ptr_t<track_handle> track;
    const std::uint32_t flags = end_of_stream ? std::uint32_t{dsp_instance::flag_end_of_stream} : 0u;
    service_ptr_t<dsp_instance_v2> abortable;
    if (abortable.query_from(resampler.get_ptr()))
        abortable->run_abortable(list, track, flags, abort);
    else
        resampler->run(list, track, flags);

    std::size_t total = 0;
    for (std::size_t i = 0; i < list.get_count(); ++i) total += list.get_item(i)->get_data_size();
    // Nothing emitted yet (the resampler buffers): the caller feeds it more
    // rather than inventing samples.
    if (total == 0) return false;

    chunk.set_data_size(total);
    float* out = chunk.get_data();
    for (std::size_t i = 0; i < list.get_count(); ++i) {
        const audio_chunk* item = list.get_item(i);
        std::memcpy(out, item->get_data(), item->get_data_size() * sizeof(float));
        out += item->get_data_size();
    }
    chunk.set_sample_rate(max_output_rate);
    chunk.set_channels(channels, props.channel_mask);
    chunk.set_sample_count(total / channels);
    return true;
}

bool input_dsdiff::decode_next(audio_chunk& chunk, abort_signal& abort)
{
    if (!decoding_started()) throw exception_bug_check("decode_next before start_decoding");
    for (;;) {
        if (end_of_data) return false;

        // The resampler is made before any data is read: when the host refuses
        // it, the call fails without consuming audio and a later call tries again
        // from the same place.
        const bool resampling = pcm_rate() > max_output_rate;
        if (resampling && resampler.is_empty()) {
            resampler = create_resampler(core_api::registry(), pcm_rate(), max_output_rate);
            if (resampler.is_empty()) throw exception_io_data("Unsupported sample rate, no resampler present");
        }

        std::uint32_t bytes = 0;
        // A plain block always has data to deliver (possibly none at all, at the end).
        bool have_data = true;
        if (props.is_dst) {
            have_data = read_dst_frame(bytes, abort);
        } else {
            read_plain_block(bytes, abort);
        }
        if (!have_data) {
            // DST end: drain what the resampler still holds, once.
            if (!resampling || resampler.is_empty()) return false;
            end_of_data = true;
            return resample(0, true, chunk, abort);
        }

        if (!resampling) {
            deliver(bytes, chunk);
            return true;
        }
        convert(bytes, pcm_buffer.data());
        if (resample(bytes / props.channel_count, !props.is_dst && end_of_data, chunk, abort)) return true;
    }
}

void input_dsdiff::seek_seconds(double seconds, abort_signal& abort)
{
    if (!decoding_started()) throw exception_bug_check("seek_seconds before start_decoding");
    end_of_data = false;
    dynamic_info_pending = true;

    // Negative and NaN times go to the start, anything past the end to the
    // end: no undefined conversion, no endless walk.
    const double wanted = seconds * static_cast<double>(props.sample_rate) + 0.5;
    const double limit = 9.2e18;
    const std::uint64_t p = wanted >= 1.0 ? static_cast<std::uint64_t>(std::floor(wanted < limit ? wanted : limit)) : 0;

    if (!props.is_dst) {
        const std::uint64_t size = props.sound_reader->get_size(abort);
        const std::uint64_t bytes_per_channel = size / props.channel_count;
        const std::uint64_t byte = p / 8 < bytes_per_channel ? p / 8 : bytes_per_channel;
        props.sound_reader->seek(byte * props.channel_count, abort);
    } else {
        const std::uint64_t frame_length = props.sample_rate / props.frame_rate;
        std::uint64_t frames = p / frame_length;
        frame_skip_bytes = static_cast<std::uint32_t>((p % frame_length) / 8);

        iff_stream::iff_packet_base* node = nullptr;
        std::size_t index = 0;
        if (!dst_container->find_child(1, id_dstf, node, index)) throw exception_io_data("No DSTF chunks");
        next_frame_index = static_cast<std::uint32_t>(index);
        for (; frames > 0; --frames) {
            if (!dst_container->find_child(std::size_t{next_frame_index} + 1, id_dstf, node, index)) break;
            next_frame_index = static_cast<std::uint32_t>(index);
        }
    }
    if (resampler.is_valid()) resampler->flush();
    for (dsd_converter& converter : converters) converter.reset();
}
