// The resampling DSP: takes whatever chunks a run finds, converts them to the
// preset's rate and leaves one chunk per stretch of equal input format.
// soxr is created on the first chunk, when the source rate and channel count
// become known, and again whenever they change.
#include "qvxhost/player/soxr_resampler.h"

#include "qvxhost/player/service_impl.h"

#include <soxr.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

struct soxr_deleter {
    void operator()(soxr_t resampler) const noexcept { soxr_delete(resampler); }
};
using soxr_handle = std::unique_ptr<std::remove_pointer_t<soxr_t>, soxr_deleter>;

struct stream_format {
    std::uint32_t rate = 0;
    std::uint32_t channels = 0;
    std::uint32_t mask = 0;
    friend bool operator==(const stream_format&, const stream_format&) = default;
};

// Output of one format, becoming one chunk.
struct output_segment {
    stream_format format;
    std::vector<float> samples;
};

class soxr_resampler_impl : public dsp_instance_v2 {
public:
    explicit soxr_resampler_impl(std::uint32_t destination_rate) : destination_rate_(destination_rate) {}

    void run(dsp_chunk_list& list, service_ptr_t<track_handle>& track, std::uint32_t flags) override
    {
        never_aborting never;
        run_abortable(list, track, flags, never);
    }

    void run_abortable(dsp_chunk_list& list, service_ptr_t<track_handle>&, std::uint32_t flags,
                       abort_signal& abort) override
    {
        std::vector<output_segment> output;
        const std::size_t inputs = list.get_count();
        for (std::size_t i = 0; i < inputs; ++i) {
            abort.check();
            const audio_chunk& chunk = *list.get_item(i);
            const stream_format format{chunk.get_sample_rate(), chunk.get_channels(), chunk.get_channel_config()};
            const std::size_t frames = chunk.get_sample_count();
            if (frames == 0) continue;
            if (format.rate == 0 || format.channels == 0 || chunk.get_data_size() < frames * format.channels)
                throw exception_io_data("Resampler got a malformed audio chunk");
            if (!(format == format_)) {
                drain(output);
                open(format);
            }
            process(chunk.get_data(), frames, output);
        }
        if (flags & flag_end_of_stream) drain(output);

        list.remove_mask(std::vector<bool>(inputs, true));
        for (const auto& segment : output) {
            if (segment.samples.empty()) continue;
            const std::size_t frames = segment.samples.size() / segment.format.channels;
            audio_chunk* chunk = list.insert_item(list.get_count(), segment.samples.size());
            chunk->set_data_size(segment.samples.size());
            std::copy(segment.samples.begin(), segment.samples.end(), chunk->get_data());
            chunk->set_sample_rate(destination_rate_);
            chunk->set_channels(segment.format.channels, segment.format.mask);
            chunk->set_sample_count(frames);
        }
    }

    void flush() override
    {
        resampler_.reset();
        format_ = {};
    }

    bool service_query(service_ptr_t<service_base>& out, const guid& interface_guid) override
    {
        return query_interfaces<dsp_instance_v2, dsp_instance>(this, out, interface_guid);
    }

private:
    class never_aborting final : public abort_signal {
    public:
        bool is_aborting() const override { return false; }
    };

    void open(const stream_format& format)
    {
        soxr_error_t error = nullptr;
        const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
        const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, SOXR_DOUBLE_PRECISION);
        resampler_.reset(soxr_create(format.rate, destination_rate_, format.channels, &error, &io, &quality, nullptr));
        if (error != nullptr || !resampler_) {
            resampler_.reset();
            format_ = {};
            throw exception_io(std::string("Cannot create resampler: ") + (error ? error : "unknown error"));
        }
        format_ = format;
    }

    // Room for one step's output, in frames.
    std::size_t output_room(std::size_t input_frames) const
    {
        const double ratio = static_cast<double>(destination_rate_) / format_.rate;
        return static_cast<std::size_t>(static_cast<double>(input_frames) * ratio) + 1024;
    }

    output_segment& segment_for(std::vector<output_segment>& output)
    {
        if (output.empty() || !(output.back().format == format_)) output.push_back({format_, {}});
        return output.back();
    }

    void process(const float* input, std::size_t frames, std::vector<output_segment>& output)
    {
        auto& samples = segment_for(output).samples;
        const std::size_t channels = format_.channels;
        const std::size_t room = output_room(frames);
        std::size_t consumed = 0;
        for (;;) {
            const std::size_t start = samples.size();
            samples.resize(start + room * channels);
            std::size_t used = 0;
            std::size_t made = 0;
            const soxr_error_t error = soxr_process(resampler_.get(), input + consumed * channels, frames - consumed,
                                                    &used, samples.data() + start, room, &made);
            samples.resize(start + made * channels);
            if (error != nullptr) throw exception_io(std::string("Resampler error: ") + error);
            consumed += used;
            // Done once all input is taken and the output did not fill the room.
            if (consumed == frames && made < room) break;
            if (used == 0 && made == 0) break;
        }
    }

    // Ends the current input stream: its buffered tail goes to `output`, and
    // the resampler is ready for a fresh stream of the same format.
    void drain(std::vector<output_segment>& output)
    {
        if (!resampler_) return;
        auto& samples = segment_for(output).samples;
        const std::size_t channels = format_.channels;
        const std::size_t room = 4096;
        for (;;) {
            const std::size_t start = samples.size();
            samples.resize(start + room * channels);
            std::size_t made = 0;
            const soxr_error_t error =
                soxr_process(resampler_.get(), nullptr, 0, nullptr, samples.data() + start, room, &made);
            samples.resize(start + made * channels);
            if (error != nullptr) throw exception_io(std::string("Resampler error: ") + error);
            if (made == 0) break;
        }
        soxr_clear(resampler_.get());
    }

    std::uint32_t destination_rate_;
    soxr_handle resampler_;
    stream_format format_;
};

std::uint32_t rate_of(const dsp_preset& preset)
{
    std::uint32_t rate = 0;
    for (std::size_t i = 0; i < 4; ++i) rate |= static_cast<std::uint32_t>(preset.data[i]) << (8 * i);
    return rate;
}

} // namespace

bool soxr_resampler_provider_impl::instantiate(service_ptr_t<dsp_instance>& out, const dsp_preset& preset)
{
    if (!(preset.owner == preset_owner) || preset.data.size() != 4) return false;
    const std::uint32_t rate = rate_of(preset);
    if (rate == 0) return false;
    out = make_service<soxr_resampler_impl>(rate);
    return true;
}

bool soxr_resampler_provider_impl::is_conversion_supported(std::uint32_t source_rate, std::uint32_t destination_rate)
{
    if (source_rate == 0 || destination_rate == 0) return false;
    const std::uint64_t high = std::max(source_rate, destination_rate);
    const std::uint64_t low = std::min(source_rate, destination_rate);
    return high <= low * 256;
}

bool soxr_resampler_provider_impl::create_preset(dsp_preset& out, std::uint32_t destination_rate, float)
{
    if (destination_rate == 0) return false;
    out.owner = preset_owner;
    out.data.clear();
    for (int i = 0; i < 4; ++i) out.data.push_back(static_cast<std::uint8_t>(destination_rate >> (8 * i)));
    return true;
}

bool soxr_resampler_provider_impl::service_query(service_ptr_t<service_base>& out, const guid& interface_guid)
{
    return query_interfaces<resampler_provider, dsp_entry>(this, out, interface_guid);
}
