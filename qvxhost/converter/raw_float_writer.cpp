#include "qvxhost/converter/pcm_writer.h"

#include "qvxhost/converter/dsd_output.h"

#include <bit>
#include <cstddef>
#include <vector>

namespace {

class raw_float_writer final : public pcm_writer {
public:
    raw_float_writer(const std::string& path, const std::string& shown, double gain_db)
        : levels_(gain_db, 0), file_(path, shown)
    {
    }

    void write(std::span<const float> delivered) override
    {
        if (delivered.empty()) return;
        std::span<const float> samples = delivered;
        if (!levels_.is_unity()) {
            scaled_.resize(delivered.size());
            levels_.scale(delivered, scaled_);
            samples = scaled_;
        }
        if constexpr (std::endian::native == std::endian::little) {
            write_bytes(std::as_bytes(samples));
        } else {
            std::vector<std::uint32_t> swapped(samples.size());
            for (std::size_t i = 0; i < samples.size(); ++i) {
                const auto bits = std::bit_cast<std::uint32_t>(samples[i]);
                swapped[i] = (bits >> 24) | ((bits >> 8) & 0xFF00u) | ((bits << 8) & 0xFF0000u) | (bits << 24);
            }
            write_bytes(std::as_bytes(std::span(swapped)));
        }
    }

    void finish() override { file_.finish(); }

    const level_control& levels() const override { return levels_; }

private:
    void write_bytes(std::span<const std::byte> bytes)
    {
        file_.write({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
    }

    level_control levels_;
    file_byte_sink file_;
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
