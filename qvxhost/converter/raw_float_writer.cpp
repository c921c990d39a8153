#include "qvxhost/converter/pcm_writer.h"

#include "qvxhost/converter/dsd_output.h"
#include "qvxhost/player/utf8_paths.h"
#include "util/exceptions.h"

#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

namespace {

class raw_float_writer final : public pcm_writer {
public:
    raw_float_writer(const std::string& path, const std::string& shown, double gain_db)
        : shown_(shown), levels_(gain_db, 0), stream_(open_utf8_file(path, "wb"))
    {
        if (stream_ == nullptr) throw exception_io("Cannot create " + shown + ": " + std::strerror(errno));
    }
    ~raw_float_writer() override
    {
        if (stream_) std::fclose(stream_);
    }
    raw_float_writer(const raw_float_writer&) = delete;
    raw_float_writer& operator=(const raw_float_writer&) = delete;

    void write(std::span<const float> delivered) override
    {
        if (delivered.empty()) return;
        std::span<const float> samples = delivered;
        if (!levels_.is_unity()) {
            scaled_.resize(delivered.size());
            levels_.scale(delivered, scaled_);
            samples = scaled_;
        }
        std::size_t written;
        if constexpr (std::endian::native == std::endian::little) {
            written = std::fwrite(samples.data(), sizeof(float), samples.size(), stream_);
        } else {
            std::vector<std::uint32_t> swapped(samples.size());
            for (std::size_t i = 0; i < samples.size(); ++i) {
                const auto bits = std::bit_cast<std::uint32_t>(samples[i]);
                swapped[i] = (bits >> 24) | ((bits >> 8) & 0xFF00u) | ((bits << 8) & 0xFF0000u) | (bits << 24);
            }
            written = std::fwrite(swapped.data(), sizeof(std::uint32_t), swapped.size(), stream_);
        }
        if (written != samples.size()) throw exception_io("Cannot write " + shown_ + ": " + std::strerror(errno));
    }

    void finish() override
    {
        std::FILE* stream = std::exchange(stream_, nullptr);
        // Buffered bytes reach the file here: a full disk may only show now.
        if (std::fclose(stream) != 0) throw exception_io("Cannot write " + shown_ + ": " + std::strerror(errno));
    }

    const level_control& levels() const override { return levels_; }

private:
    std::string shown_;
    level_control levels_;
    std::FILE* stream_;
    std::vector<float> scaled_;
};

} // namespace

std::unique_ptr<pcm_writer> open_raw_float_writer(const std::string& path, const std::string& shown, const pcm_encoding& encoding,
                                                  const pcm_layout&)
{
    return std::make_unique<raw_float_writer>(path, shown, encoding.gain_db);
}

void verify_raw_float_output(const std::string& path, const std::string& shown, const pcm_layout& layout, std::uint64_t frames)
{
    verify_file_size(path, shown, frames * layout.channels * sizeof(float));
}
