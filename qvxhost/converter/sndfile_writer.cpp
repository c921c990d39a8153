#include "qvxhost/converter/pcm_writer.h"

#include "util/exceptions.h"

#include <sndfile.h>

#include <utility>
#include <vector>

namespace {

int sndfile_format(const pcm_encoding& encoding)
{
    const int container = encoding.format == output_format::wav ? SF_FORMAT_WAV : SF_FORMAT_FLAC;
    if (encoding.bits == 16) return container | SF_FORMAT_PCM_16;
    if (encoding.bits == 24) return container | SF_FORMAT_PCM_24;
    return container | SF_FORMAT_FLOAT;
}

class sndfile_writer final : public pcm_writer {
public:
    sndfile_writer(const std::string& path, const pcm_encoding& encoding, std::uint32_t sample_rate,
                   std::uint32_t channels)
        : path_(path), channels_(channels), levels_(encoding.gain_db, encoding.bits)
    {
        SF_INFO info{};
        info.samplerate = static_cast<int>(sample_rate);
        info.channels = static_cast<int>(channels);
        info.format = sndfile_format(encoding);
        integers_ = encoding.bits != 0;
        file_ = sf_open(path.c_str(), SFM_WRITE, &info);
        if (file_ == nullptr) throw exception_io("Cannot create " + path + ": " + sf_strerror(nullptr));
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
        if (written != frames) throw exception_io("Cannot write " + path_ + ": " + sf_strerror(file_));
    }

    void finish() override
    {
        SNDFILE* file = std::exchange(file_, nullptr);
        sf_write_sync(file);
        if (sf_close(file) != 0) throw exception_io("Cannot write " + path_ + ": " + sf_strerror(nullptr));
    }

    const level_control& levels() const override { return levels_; }

private:
    std::string path_;
    std::uint32_t channels_;
    level_control levels_;
    bool integers_ = false;
    SNDFILE* file_ = nullptr;
    std::vector<std::int32_t> integer_buffer_;
    std::vector<float> float_buffer_;
};

} // namespace

std::unique_ptr<pcm_writer> open_sndfile_writer(const std::string& path, const pcm_encoding& encoding,
                                                std::uint32_t sample_rate, std::uint32_t channels)
{
    if (encoding.format == output_format::f32) return open_raw_float_writer(path, encoding.gain_db);
    if (sample_rate == 0 || channels == 0)
        throw exception_io("Cannot create " + path + ": no sample rate or channel count");
    return std::make_unique<sndfile_writer>(path, encoding, sample_rate, channels);
}
