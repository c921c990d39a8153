#include "qvxhost/converter/pcm_writer.h"

#include "qvxhost/converter/library_paths.h"
#include "util/exceptions.h"

#include <sndfile.h>

#include <bit>
#include <utility>
#include <vector>

namespace {

// libsndfile words a failed system call "System error : REASON."; the reason is what a user needs.
std::string reason(SNDFILE* file)
{
    std::string text = sf_strerror(file);
    constexpr std::string_view system_error = "System error : ";
    if (text.starts_with(system_error)) text.erase(0, system_error.size());
    if (text.ends_with('.')) text.pop_back();
    return text;
}

int sndfile_format(const pcm_encoding& encoding)
{
    // RF64 that libsndfile turns back into plain RIFF WAV at the end when the file stayed under
    // 4 GiB: a long multichannel file cannot outgrow its header's 32-bit sizes.
    const int container = encoding.format == output_format::wav ? SF_FORMAT_RF64 : SF_FORMAT_FLAC;
    if (encoding.bits == 16) return container | SF_FORMAT_PCM_16;
    if (encoding.bits == 24) return container | SF_FORMAT_PCM_24;
    return container | SF_FORMAT_FLOAT;
}

// libsndfile's speaker for each bit of a WAVE_FORMAT_EXTENSIBLE channel mask, in bit order.
constexpr int speakers_by_mask_bit[] = {
    SF_CHANNEL_MAP_LEFT,          SF_CHANNEL_MAP_RIGHT,          SF_CHANNEL_MAP_CENTER,           SF_CHANNEL_MAP_LFE,
    SF_CHANNEL_MAP_REAR_LEFT,     SF_CHANNEL_MAP_REAR_RIGHT,     SF_CHANNEL_MAP_FRONT_LEFT_OF_CENTER,
    SF_CHANNEL_MAP_FRONT_RIGHT_OF_CENTER, SF_CHANNEL_MAP_REAR_CENTER, SF_CHANNEL_MAP_SIDE_LEFT, SF_CHANNEL_MAP_SIDE_RIGHT,
    SF_CHANNEL_MAP_TOP_CENTER,    SF_CHANNEL_MAP_TOP_FRONT_LEFT, SF_CHANNEL_MAP_TOP_FRONT_CENTER, SF_CHANNEL_MAP_TOP_FRONT_RIGHT,
    SF_CHANNEL_MAP_TOP_REAR_LEFT, SF_CHANNEL_MAP_TOP_REAR_CENTER, SF_CHANNEL_MAP_TOP_REAR_RIGHT,
};

// One speaker per channel in mask-bit order, as WAVE_FORMAT_EXTENSIBLE assigns them; empty
// when the mask does not name one position per channel.
std::vector<int> channel_map(const pcm_layout& layout)
{
    std::vector<int> map;
    if (static_cast<std::uint32_t>(std::popcount(layout.channel_mask)) != layout.channels) return map;
    for (std::size_t bit = 0; bit < std::size(speakers_by_mask_bit); ++bit)
        if (layout.channel_mask & (1u << bit)) map.push_back(speakers_by_mask_bit[bit]);
    if (map.size() != layout.channels) map.clear();
    return map;
}

class sndfile_writer final : public pcm_writer {
public:
    sndfile_writer(const std::string& path, const std::string& shown, const pcm_encoding& encoding, const pcm_layout& layout)
        : shown_(shown), channels_(layout.channels), levels_(encoding.gain_db, encoding.bits), integers_(encoding.bits != 0)
    {
        SF_INFO info{};
        info.samplerate = static_cast<int>(layout.sample_rate);
        info.channels = static_cast<int>(layout.channels);
        info.format = sndfile_format(encoding);
        file_ = open_sound_file(path, SFM_WRITE, &info);
        if (file_ == nullptr) throw exception_io("Cannot create " + shown + ": " + reason(nullptr));
        if (encoding.format == output_format::wav) {
            sf_command(file_, SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
            std::vector<int> map = channel_map(layout);
            if (!map.empty() &&
                sf_command(file_, SFC_SET_CHANNEL_MAP_INFO, map.data(), static_cast<int>(map.size() * sizeof(int))) != SF_TRUE)
                throw exception_io("Cannot create " + shown + ": its channel layout cannot be written");
        }
    }
    ~sndfile_writer() override
    {
        if (file_) sf_close(file_);
    }
    sndfile_writer(const sndfile_writer&) = delete;
    sndfile_writer& operator=(const sndfile_writer&) = delete;

    void write(std::span<const float> samples) override
    {
        const auto frames = static_cast<sf_count_t>(samples.size() / channels_);
        if (frames == 0) return;
        const std::size_t count = static_cast<std::size_t>(frames) * channels_;
        sf_count_t written;
        if (integers_) {
            integer_buffer_.resize(count);
            levels_.quantize(samples.first(count), integer_buffer_);
            written = sf_writef_int(file_, integer_buffer_.data(), frames);
        } else if (levels_.is_unity()) {
            written = sf_writef_float(file_, samples.data(), frames);
        } else {
            float_buffer_.resize(count);
            levels_.scale(samples.first(count), float_buffer_);
            written = sf_writef_float(file_, float_buffer_.data(), frames);
        }
        if (written != frames) throw exception_io("Cannot write " + shown_ + ": " + reason(file_));
    }

    void finish() override
    {
        SNDFILE* file = std::exchange(file_, nullptr);
        sf_write_sync(file);
        if (sf_close(file) != 0) throw exception_io("Cannot write " + shown_ + ": " + reason(nullptr));
    }

    const level_control& levels() const override { return levels_; }

private:
    std::string shown_;
    std::uint32_t channels_;
    level_control levels_;
    bool integers_;
    SNDFILE* file_ = nullptr;
    std::vector<std::int32_t> integer_buffer_;
    std::vector<float> float_buffer_;
};

} // namespace

std::unique_ptr<pcm_writer> open_sndfile_writer(const std::string& path, const std::string& shown, const pcm_encoding& encoding,
                                                const pcm_layout& layout)
{
    if (layout.sample_rate == 0 || layout.channels == 0)
        throw exception_io("Cannot create " + shown + ": no sample rate or channel count");
    return std::make_unique<sndfile_writer>(path, shown, encoding, layout);
}

void verify_sndfile_output(const std::string& path, const std::string& shown, const pcm_layout& layout, std::uint64_t frames)
{
    SF_INFO info{};
    SNDFILE* file = open_sound_file(path, SFM_READ, &info);
    if (file == nullptr) throw exception_io("Cannot read back " + shown + ": " + reason(nullptr));
    sf_close(file);
    if (info.frames != static_cast<sf_count_t>(frames) || info.channels != static_cast<int>(layout.channels))
        throw exception_io("Cannot write " + shown + ": the finished file holds " + std::to_string(info.frames) + " frames of " + std::to_string(info.channels) +
                           " channels instead of " + std::to_string(frames) + " of " + std::to_string(layout.channels));
}
