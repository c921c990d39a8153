#include "qvxhost/converter/pcm_decoding.h"

#include "host/audio_chunk_impl.h"
#include "qvxhost/converter/tag_writer.h"
#include "qvxhost/converter/time_text.h"
#include "qvxhost/player/track_info_impl.h"
#include "qvxhost/player/utf8_paths.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <memory>
#include <new>
#include <vector>

namespace {

std::uint32_t parse_uint(const std::optional<std::string>& text)
{
    std::uint32_t value = 0;
    if (text) std::from_chars(text->data(), text->data() + text->size(), value);
    return value;
}

// A DST frame, and the unit in which damage is passed over.
constexpr double concealment_step = 1.0 / 75;
// A file that fails this often is damaged beyond concealing.
constexpr int most_concealments = 1000;

// The outputs and what has been written to them: chunks as they come, silence where audio
// was concealed, each output frame to the target whose span holds it. The writers open at
// the first chunk, whose format they take.
class pcm_outputs {
public:
    pcm_outputs(const decode_request& request, std::uint32_t dsd_rate) : request_(request), dsd_rate_(dsd_rate)
    {
        for (const auto& target : request.targets) targets_.push_back({&target, nullptr, 0, ~std::uint64_t{0}, 0});
    }

    // After start, seek and each chunk: the component reports the output rate once after each.
    void poll(input_decoder& decoder)
    {
        track_info_impl info;
        double offset = 0;
        if (!decoder.read_dynamic_info(info, offset)) return;
        if (auto rate = info.get("samplerate")) reported_rate_ = parse_uint(rate);
    }

    void take(const audio_chunk& chunk)
    {
        const std::size_t frames = chunk.get_sample_count();
        const pcm_layout layout{chunk.get_sample_rate(), chunk.get_channels(), chunk.get_channel_config()};
        if (layout.channels == 0 || layout.sample_rate == 0 || chunk.get_data_size() < frames * layout.channels)
            throw exception_io_data("The component returned a malformed audio chunk");
        if (reported_rate_ != 0 && layout.sample_rate != reported_rate_)
            throw exception_io_data("The component returned audio at " + std::to_string(layout.sample_rate) +
                                    " Hz after reporting samplerate=" + std::to_string(reported_rate_));
        if (opened_ && (layout.channels != layout_.channels || layout.sample_rate != layout_.sample_rate))
            throw exception_io_data("The component changed the audio format during decoding");
        if (!opened_) open(layout);
        route(chunk.get_data(), frames);
        frames_ += frames;
    }

    // Silence up to `seconds` after the start, the exact frame count that a decode without the
    // damage reaches there.
    void silence_until(double seconds)
    {
        const auto target = static_cast<std::uint64_t>(std::llround(std::max(0.0, seconds) * rate()));
        if (target <= frames_) return;
        const std::uint64_t frames = target - frames_;
        frames_ = target;
        if (opened_) route_silence(frames);
    }

    // Completes every output, also when no audio came (then in the reported format), and
    // tags and reads back each.
    void finish(const pcm_layout& reported)
    {
        if (!opened_) open({reported_rate_, reported.channels, reported.channel_mask});
        for (auto& target : targets_) {
            target.writer->finish();
            const level_control& levels = target.writer->levels();
            if (levels.clipped() != 0 && request_.warn)
                request_.warn((targets_.size() > 1 ? target.about->shown + ": " : std::string()) + clipping_hint(levels));
        }
        for (auto& target : targets_) {
            write_output_tags(*target.about);
            if (!target.about->device)
                format_info(request_.encoding.format).verify(target.about->path, target.about->shown, layout_, target.written);
        }
    }

    std::uint32_t rate() const { return reported_rate_ != 0 ? reported_rate_ : layout_.sample_rate; }
    double seconds() const { return rate() != 0 ? static_cast<double>(frames_) / rate() : 0.0; }
    std::uint64_t frames() const { return frames_; }
    const pcm_layout& layout() const { return layout_; }

private:
    struct open_target {
        const pcm_target* about;
        std::unique_ptr<pcm_writer> writer;
        std::uint64_t first = 0;                              // output frames
        std::uint64_t end = ~std::uint64_t{0};
        std::uint64_t written = 0;
    };

    // The output frame nearest to DSD sample `position`: floor(position × rate / DSD rate + 0.5),
    // split so that the product cannot leave 64 bits.
    std::uint64_t output_frame(std::uint64_t position) const
    {
        const std::uint64_t whole = position / dsd_rate_, part = position % dsd_rate_;
        return whole * layout_.sample_rate + (2 * part * layout_.sample_rate + dsd_rate_) / (2 * std::uint64_t{dsd_rate_});
    }

    void open(const pcm_layout& layout)
    {
        layout_ = layout;
        opened_ = true;
        for (auto& target : targets_) {
            target.writer = open_pcm_writer(target.about->path, target.about->shown, request_.encoding, layout);
            if (dsd_rate_ != 0) {
                target.first = output_frame(target.about->first);
                if (target.about->end) target.end = output_frame(*target.about->end);
            }
        }
        route_silence(frames_);
    }

    void route(const float* samples, std::uint64_t frames)
    {
        for (auto& target : targets_) {
            const std::uint64_t from = std::max(routed_, target.first), to = std::min(routed_ + frames, target.end);
            if (from >= to) continue;
            target.writer->write({samples + (from - routed_) * layout_.channels, (to - from) * layout_.channels});
            target.written += to - from;
        }
        routed_ += frames;
    }

    void route_silence(std::uint64_t frames)
    {
        const std::size_t block = 4096;
        const std::vector<float> zeros(block * layout_.channels, 0.0f);
        while (frames != 0) {
            const std::size_t now = static_cast<std::size_t>(std::min<std::uint64_t>(frames, block));
            route(zeros.data(), now);
            frames -= now;
        }
    }

    // Tags go where a tag can be: WAV and FLAC files, not raw float, not a device. A FLAC whose
    // layout is not FLAC's default order names its speakers in a tag.
    void write_output_tags(const pcm_target& target) const
    {
        const output_format format = request_.encoding.format;
        if (!format_info(format).carries_tags || target.device) return;
        track_tags tags = target.tags;
        if (format == output_format::flac) {
            const std::string mask = flac_channel_mask_tag(layout_);
            if (!mask.empty()) tags.set("WAVEFORMATEXTENSIBLE_CHANNEL_MASK", mask);
        }
        if (tags.empty()) return;
        if (!write_tags(target.path, target.shown, format, tags) && request_.warn)
            request_.warn("tags not written: the WAV is RF64 (beyond 4 GiB), which TagLib cannot tag");
    }

    const decode_request& request_;
    std::uint32_t dsd_rate_;
    std::vector<open_target> targets_;
    bool opened_ = false;
    pcm_layout layout_;
    std::uint32_t reported_rate_ = 0;
    std::uint64_t frames_ = 0;  // written, or owed as silence until the writers open
    std::uint64_t routed_ = 0;  // handed to the targets
};

// The spans passed over with silence: one warning for each run of failures.
class concealment {
public:
    explicit concealment(const decode_request& request) : request_(request) {}

    // True when a failure at `at` (seconds) may be passed over: not where the last one was,
    // and not beyond the limit.
    bool may_conceal(double at) const { return failures_ < most_concealments && at != last_failure_; }

    // A failure at `at` with `message`, passed over up to `until`.
    void conceal(double at, const std::string& message, double until)
    {
        ++failures_;
        last_failure_ = at;
        if (!open_) {
            open_ = true;
            began_ = at;
            message_ = message;
        }
        ends_ = until;
    }

    // Audio came again (or the file ended): the open span, if any, is reported.
    void close()
    {
        if (!open_) return;
        open_ = false;
        ++spans_;
        if (request_.warn)
            request_.warn("at " + position_text(began_) + ": " + message_ + "; concealed with silence up to " +
                          position_text(ends_));
    }

    std::size_t spans() const { return spans_; }

private:
    const decode_request& request_;
    int failures_ = 0;
    double last_failure_ = -1;
    bool open_ = false;
    double began_ = 0, ends_ = 0;
    std::string message_;
    std::size_t spans_ = 0;
};

} // namespace

std::string accepted_path(input_entry& entry, const std::string& path)
{
    const std::string full = utf8_from_path(std::filesystem::absolute(path_from_utf8(path)).lexically_normal());
    if (!entry.accepts_path(full.c_str(), extension_of(full).c_str()))
        throw exception_io("The component does not handle " + path);
    return full;
}

decode_outcome decode_file(const loaded_component& component, const decode_request& request, abort_signal& abort)
{
    const auto entry = component.input();
    const std::string full = accepted_path(*entry, request.input);

    service_ptr_t<input_decoder> decoder;
    entry->open_decoder(decoder, file_ptr(), full.c_str(), abort);
    track_info_impl info;
    decoder->read_info(0, info, abort);

    pcm_outputs output(request, parse_uint(info.get("original_samplerate")));
    concealment concealed(request);
    decoder->start_decoding(0, 0, abort);
    output.poll(*decoder);
    const double start = request.seek_seconds.value_or(0.0);
    if (request.seek_seconds) {
        decoder->seek_seconds(start, abort);
        output.poll(*decoder);
    }

    audio_chunk_impl chunk;
    for (;;) {
        bool more = false;
        try {
            more = decoder->decode_next(chunk, abort);
        } catch (const exception_aborted&) {
            throw;
        } catch (const std::bad_alloc&) {
            throw;
        } catch (const std::exception& error) {
            // Copied: the component's error object must not outlive this block.
            const std::string message = error.what();
            const double at = start + output.seconds();
            if (!request.conceal || output.rate() == 0 || !concealed.may_conceal(at))
                throw decode_failure("at " + position_text(at) + ": " + message);
            // On past the frame that holds `at`: the next frame boundary after it.
            const double resume = (std::floor(at / concealment_step + 1e-6) + 1) * concealment_step;
            if (resume >= info.length()) {
                concealed.conceal(at, message, info.length());
                output.silence_until(info.length() - start);
                break;
            }
            concealed.conceal(at, message, resume);
            output.silence_until(resume - start);
            decoder->seek_seconds(resume, abort);
            output.poll(*decoder);
            continue;
        }
        if (!more) break;
        output.poll(*decoder);
        output.take(chunk);
        if (chunk.get_sample_count() != 0) concealed.close();
        if (request.progress && info.length() > start && output.rate() != 0)
            request.progress(std::min(1.0, output.seconds() / (info.length() - start)), output.seconds());
    }
    concealed.close();
    output.finish({0, parse_uint(info.get("channels")), 0});
    return {output.rate(), output.layout().channels, output.frames(), concealed.spans()};
}
