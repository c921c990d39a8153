// One DSDIFF file opened for information or for decoding.
#pragma once

#include "dsdiff/stream_properties.h"
#include "host/dsp.h"
#include "host/input.h"
#include "iff/iff_packet.h"

#include <cstdint>
#include <memory>
#include <vector>

class dsd_converter;
class dst_frame_decoder;

enum class open_reason { info_read = 0, decode = 1, info_write = 2 };

// Used by one thread at a time; shares nothing with other objects but the
// constant tables and the settings.
class input_dsdiff {
public:
    // Copies the maximum-sample-rate setting in force now.
    input_dsdiff();
    ~input_dsdiff();
    input_dsdiff(const input_dsdiff&) = delete;
    input_dsdiff& operator=(const input_dsdiff&) = delete;

    // Reads and validates the file; `file_hint` may be empty, then the path
    // is opened through the host's file systems. Info write always throws.
    void open(service_ptr_t<file> file_hint, const char* path, open_reason reason, abort_signal& abort);

    void read_info(std::uint32_t subsong, track_info& info, abort_signal& abort);
    file_stats read_file_stats(abort_signal& abort);
    bool read_dynamic_info(track_info& info);
    bool can_seek();
    void on_idle(abort_signal& abort);

    void start_decoding(std::uint32_t subsong, abort_signal& abort);
    bool decode_next(audio_chunk& chunk, abort_signal& abort);
    void seek_seconds(double seconds, abort_signal& abort);

    // Highest rate the decoder takes on: 1024 times 48 kHz. The channel count needs
    // no limit here: validation allows at most eight, one per known channel identifier.
    static constexpr std::uint32_t max_decode_rate = 1024 * 48000;

private:
    std::uint32_t pcm_rate() const noexcept { return props.sample_rate / 8; }
    bool decoding_started() const noexcept { return !dsd_buffer.empty(); }
    void validate();
    void check_decodable() const;
    // Fill dsd_buffer and set `bytes`; false when there is no more data. A plain block is
    // always true: a short (possibly empty) block sets end_of_data instead.
    void read_plain_block(std::uint32_t& bytes, abort_signal& abort);
    bool read_dst_frame(std::uint32_t& bytes, abort_signal& abort);
    // Converts the first `bytes` of dsd_buffer, `bytes / channel_count` floats
    // per channel, interleaved at `pcm`.
    void convert(std::uint32_t bytes, float* pcm);
    // Runs `samples` frames of pcm_buffer through the resampler into `chunk`;
    // false when the resampler emitted nothing.
    bool resample(std::size_t samples, bool end_of_stream, audio_chunk& chunk, abort_signal& abort);
    // Converts the first `bytes` of dsd_buffer straight into `chunk` at the PCM
    // rate: the caller's chunk is the only copy of the PCM.
    void deliver(std::uint32_t bytes, audio_chunk& chunk);

    iff_stream::iff_packet_container root;
    service_ptr_t<file> source;  // the open file
    stream_properties props;     // validated: is_dst, rates, channels, sound_reader, frames
    bool dynamic_info_pending = false;
    std::uint32_t max_output_rate;
    bool end_of_data = false;
    std::uint32_t next_frame_index = 0;
    std::uint32_t frame_skip_bytes = 0;
    const iff_stream::iff_packet_container* dst_container = nullptr;
    std::unique_ptr<dst_frame_decoder> dst_decoder;
    std::vector<std::uint8_t> dsd_buffer;
    std::vector<float> pcm_buffer;
    std::vector<std::uint8_t> frame_buffer;
    service_ptr_t<dsp_instance> resampler;
    std::vector<dsd_converter> converters;
};
