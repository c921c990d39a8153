// The whole road of a dropped file: the input bytes (after a short control
// prefix, see open_control.h) are a file that the input entry opens for
// information and for decoding; the decoder plays it with one seek in the
// middle, through our host's libsoxr resampler when the PCM rate is above the
// chosen maximum. Errors of the exception_io family are the expected answer to
// a bad file; anything else escaping, a sanitizer report or a broken
// invariant below is a finding.
#include "host_access/core_api.h"
#include "input/input_entry_impl.h"
#include "open_control.h"
#include "preferences/settings.h"
#include "qvxhost/player/abort_signal_impl.h"
#include "tests/doubles/faulty_file.h"
#include "tests/doubles/memory_file.h"
#include "qvxhost/player/service_registry_impl.h"
#include "qvxhost/player/soxr_resampler.h"
#include "qvxhost/player/track_info_impl.h"
#include "host/audio_chunk_impl.h"
#include "host/service_impl.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Each input plays at most this many chunks: enough to pass the seek, the
// end and the resampler's drain of any small file, while a tiny DST file of
// many-channel frames cannot stretch one execution over minutes.
constexpr int max_calls = 48;

void require(bool condition)
{
    if (!condition) std::abort();
}

struct host {
    host()
    {
        registry.add_object<dsp_entry>(dsp_entry::class_guid, make_service<soxr_resampler_provider_impl>());
        core_api::set_registry(&registry);
    }
    service_registry_impl registry;
    service_static_t<input_entry_impl> entry;
};

file_ptr make_file(std::vector<std::uint8_t> bytes, const fuzz::open_control& control)
{
    file_ptr memory = make_service<memory_file_impl>(std::move(bytes));
    if (control.fault_position == 0) return memory;
    fault_plan plan;
    plan.fail_at = std::uint64_t{control.fault_position} * 64;
    return make_service<faulty_file_impl>(memory, plan);
}

void read_information(host& h, const std::vector<std::uint8_t>& bytes, const fuzz::open_control& control)
{
    abort_signal_impl abort;
    service_ptr_t<input_info_writer> writer;
    try {
        h.entry.open_info_writer(writer, make_file(bytes, control), "fuzz.dff", abort);
    } catch (const exception_io_data&) {
    }
    require(writer.is_empty());

    service_ptr_t<input_info_reader> reader;
    try {
        h.entry.open_info_reader(reader, make_file(bytes, control), "fuzz.dff", abort);
    } catch (const exception_io&) {
        require(reader.is_empty());
        return;
    }
    require(reader.is_valid());
    track_info_impl info;
    try {
        reader->read_info(0, info, abort);
        require(info.get("codec") == std::string("DSD"));
        require(!std::isnan(info.length()) && info.length() >= 0.0);
        reader->read_file_stats(abort);
    } catch (const exception_io&) {
    }
}

// Checks what every delivered chunk must satisfy.
void check_chunk(const audio_chunk_impl& chunk, std::uint32_t reported_rate)
{
    const std::uint32_t channels = chunk.get_channels();
    require(channels > 0);
    require(chunk.get_data_size() == chunk.get_sample_count() * channels);
    require(chunk.get_sample_rate() == reported_rate);
    for (std::size_t i = 0; i < chunk.get_data_size(); ++i) require(std::isfinite(chunk.get_data()[i]));
}

void decode(host& h, const std::vector<std::uint8_t>& bytes, const fuzz::open_control& control)
{
    abort_signal_impl abort;
    service_ptr_t<input_decoder> decoder;
    try {
        h.entry.open_decoder(decoder, make_file(bytes, control), "fuzz.dff", abort);
    } catch (const exception_io&) {
        require(decoder.is_empty());
        return;
    }
    try {
        decoder->start_decoding(0, 0, abort);
        std::uint32_t rate = 0;
        audio_chunk_impl chunk;
        track_info_impl dynamic;
        double offset = 0.0;
        bool sought = false;
        for (int call = 0; call < max_calls; ++call) {
            if (decoder->read_dynamic_info(dynamic, offset)) rate = static_cast<std::uint32_t>(std::stoul(*dynamic.get("samplerate")));
            if (!sought && call == control.calls_before_seek % 8) {
                decoder->seek_seconds(control.seek_seconds(), abort);
                sought = true;
                continue;
            }
            if (!decoder->decode_next(chunk, abort)) {
                // The end stays the end.
                require(!decoder->decode_next(chunk, abort));
                break;
            }
            check_chunk(chunk, rate);
        }
    } catch (const exception_io&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static host h;
    if (size < fuzz::open_control::size) return 0;
    const auto control = fuzz::open_control::decode(std::span<const std::uint8_t, fuzz::open_control::size>(data, fuzz::open_control::size));
    const std::vector<std::uint8_t> bytes(data + fuzz::open_control::size, data + size);

    max_rate_setting = control.max_rate();
    read_information(h, bytes, control);
    decode(h, bytes, control);
    return 0;
}
