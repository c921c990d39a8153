#include "qvxhost/converter/commands.h"

#include "qvxhost/player/config_record.h"
#include "qvxhost/converter/tag_reader.h"
#include "qvxhost/converter/tag_writer.h"

#include "qvxhost/player/track_info_impl.h"
#include "qvxhost/player/utf8_paths.h"
#include "host/audio_chunk_impl.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <memory>

std::string extension_of(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return path.substr(dot + 1);
}

namespace {

// The full path the player would hand the component, after it agreed to handle it.
std::string accepted_path(input_entry& entry, const std::string& path)
{
    const std::string full = utf8_from_path(std::filesystem::absolute(path_from_utf8(path)).lexically_normal());
    if (!entry.accepts_path(full.c_str(), extension_of(full).c_str()))
        throw exception_io("The component does not handle " + path);
    return full;
}

std::string format_seconds(double seconds)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", seconds);
    return text;
}

std::uint32_t parse_uint(const std::optional<std::string>& text)
{
    std::uint32_t value = 0;
    if (text) std::from_chars(text->data(), text->data() + text->size(), value);
    return value;
}

// Everything the decode loop learns about the stream as it goes.
class decode_state {
public:
    explicit decode_state(const decode_request& request) : request_(request) {}

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
        const std::uint32_t channels = chunk.get_channels();
        const std::uint32_t rate = chunk.get_sample_rate();
        if (channels == 0 || rate == 0 || chunk.get_data_size() < frames * channels)
            throw exception_io_data("The component returned a malformed audio chunk");
        if (reported_rate_ != 0 && rate != reported_rate_)
            throw exception_io_data("The component returned audio at " + std::to_string(rate) +
                                    " Hz after reporting samplerate=" + std::to_string(reported_rate_));
        if (channels_ != 0 && (channels != channels_ || rate != rate_))
            throw exception_io_data("The component changed the audio format during decoding");
        channels_ = channels;
        rate_ = rate;
        if (!writer_) open_writer(rate, channels);
        writer_->write({chunk.get_data(), frames * channels});
        frames_ += frames;
    }

    // Completes the output, also when no audio came: then the format is the reported one.
    void finish(std::uint32_t info_channels)
    {
        if (!writer_) {
            channels_ = info_channels;
            open_writer(reported_rate_, channels_);
        }
        writer_->finish();
        if (writer_->levels().clipped() != 0 && request_.warn) request_.warn(clipping_hint(writer_->levels()));
    }

    std::uint32_t reported_rate() const { return reported_rate_ != 0 ? reported_rate_ : rate_; }
    std::uint32_t channels() const { return channels_; }
    std::uint64_t frames() const { return frames_; }

private:
    void open_writer(std::uint32_t rate, std::uint32_t channels)
    {
        writer_ = open_pcm_writer(request_.output, encoding_for(request_), rate, channels);
    }

    const decode_request& request_;
    std::unique_ptr<pcm_writer> writer_;
    std::uint32_t reported_rate_ = 0;
    std::uint32_t rate_ = 0;
    std::uint32_t channels_ = 0;
    std::uint64_t frames_ = 0;
};

// Tags go where a tag can be: WAV and FLAC files (not raw float, not a device such as /dev/null).
void copy_tags(const decode_request& request, output_format format)
{
    if (format == output_format::f32 || !std::filesystem::is_regular_file(path_from_utf8(request.output))) return;
    track_tags tags;
    try {
        tags = read_tags(request.input);
    } catch (const exception_io& error) {
        if (request.warn) request.warn(std::string("tags not read: ") + error.what());
        return;
    }
    if (!tags.empty()) write_tags(request.output, format, tags);
}

} // namespace

pcm_encoding encoding_for(const decode_request& request)
{
    const output_format format = output_format_for(request.output, request.format);
    if (format == output_format::f32 && request.bits)
        throw exception_io("Option --bits is for WAV and FLAC; raw float (f32) is always 32-bit float");
    return {format, request.bits.value_or(default_bits(format)), request.gain_db};
}

std::string run_info(const loaded_component& component, const std::string& path, abort_signal& abort, bool tags,
                     const std::function<void(const std::string&)>& warn)
{
    const auto entry = component.input();
    const std::string full = accepted_path(*entry, path);
    service_ptr_t<input_info_reader> reader;
    entry->open_info_reader(reader, file_ptr(), full.c_str(), abort);
    track_info_impl info;
    reader->read_info(0, info, abort);

    std::string text;
    for (const auto& field : info.fields()) text += field.name + "=" + field.value + "\n";
    text += "length=" + format_seconds(info.length()) + "\n";
    if (tags) {
        try {
            text += tag_lines(read_tags(path));
        } catch (const exception_io& error) {
            if (warn) warn(std::string("tags not read: ") + error.what());
        }
    }
    return text;
}

std::string run_decode(const loaded_component& component, const decode_request& request, abort_signal& abort)
{
    // Fail on a bad output name before any decoding work.
    encoding_for(request);
    accepted_path(*component.input(), request.input);
    if (request.max_rate) component.read_configuration(max_rate_record(*request.max_rate), abort);
    const decode_outcome outcome = decode_file(component, request, abort);
    return "samplerate=" + std::to_string(outcome.sample_rate) + "\nchannels=" + std::to_string(outcome.channels) +
           "\nsamples=" + std::to_string(outcome.frames) + "\n";
}

decode_outcome decode_file(const loaded_component& component, const decode_request& request, abort_signal& abort)
{
    const pcm_encoding encoding = encoding_for(request);
    const auto entry = component.input();
    const std::string full = accepted_path(*entry, request.input);

    service_ptr_t<input_decoder> decoder;
    entry->open_decoder(decoder, file_ptr(), full.c_str(), abort);
    track_info_impl info;
    decoder->read_info(0, info, abort);

    decode_state state(request);
    decoder->start_decoding(0, 0, abort);
    state.poll(*decoder);
    const double start = request.seek_seconds.value_or(0.0);
    if (request.seek_seconds) {
        decoder->seek_seconds(start, abort);
        state.poll(*decoder);
    }

    audio_chunk_impl chunk;
    while (decoder->decode_next(chunk, abort)) {
        state.poll(*decoder);
        state.take(chunk);
        if (request.progress && info.length() > start && state.reported_rate() != 0) {
            const double done = static_cast<double>(state.frames()) / state.reported_rate();
            request.progress(std::min(1.0, done / (info.length() - start)), done);
        }
    }
    state.finish(parse_uint(info.get("channels")));
    copy_tags(request, encoding.format);
    return {state.reported_rate(), state.channels(), state.frames()};
}
