#include "qvxhost/pcm_writer.h"

#include "util/exceptions.h"

#include <sndfile.h>

#include <utility>

namespace {

class sndfile_writer final : public pcm_writer {
public:
    sndfile_writer(const std::string& path, output_format format, std::uint32_t sample_rate, std::uint32_t channels)
        : path_(path), channels_(channels)
    {
        SF_INFO info{};
        info.samplerate = static_cast<int>(sample_rate);
        info.channels = static_cast<int>(channels);
        info.format = format == output_format::wav ? (SF_FORMAT_WAV | SF_FORMAT_FLOAT)
                                                   : (SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
        file_ = sf_open(path.c_str(), SFM_WRITE, &info);
        if (file_ == nullptr) throw exception_io("Cannot create " + path + ": " + sf_strerror(nullptr));
        // Integer formats: clip what lies beyond full scale instead of wrapping around.
        sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
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
        if (sf_writef_float(file_, samples.data(), frames) != frames)
            throw exception_io("Cannot write " + path_ + ": " + sf_strerror(file_));
    }

    void finish() override
    {
        SNDFILE* file = std::exchange(file_, nullptr);
        sf_write_sync(file);
        if (sf_close(file) != 0) throw exception_io("Cannot write " + path_ + ": " + sf_strerror(nullptr));
    }

private:
    std::string path_;
    std::uint32_t channels_;
    SNDFILE* file_ = nullptr;
};

} // namespace

std::unique_ptr<pcm_writer> open_sndfile_writer(const std::string& path, output_format format,
                                                std::uint32_t sample_rate, std::uint32_t channels)
{
    if (format == output_format::f32) return open_raw_float_writer(path);
    if (sample_rate == 0 || channels == 0)
        throw exception_io("Cannot create " + path + ": no sample rate or channel count");
    return std::make_unique<sndfile_writer>(path, format, sample_rate, channels);
}
