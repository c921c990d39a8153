// Writers of decoded PCM: raw 32-bit float, 32-bit float WAV, 24-bit FLAC.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

enum class output_format { f32, wav, flac };

// "f32", "wav" or "flac"; nullopt for anything else.
std::optional<output_format> parse_output_format(std::string_view name);
// `forced` when given, else the path's extension (any letter case); throws
// exception_io when neither names a format.
output_format output_format_for(const std::string& path, std::optional<output_format> forced);

class pcm_writer {
public:
    virtual ~pcm_writer() = default;
    // Interleaved samples of whole frames. Throws exception_io on write errors.
    virtual void write(std::span<const float> samples) = 0;
    // Completes the file; throws exception_io when that fails. Until then the file may be incomplete.
    virtual void finish() = 0;
};

// Creates (or truncates) `path`. Throws exception_io naming the path when it cannot.
std::unique_ptr<pcm_writer> open_pcm_writer(const std::string& path, output_format format, std::uint32_t sample_rate,
                                            std::uint32_t channels);

// Raw float: the samples exactly as delivered, 4 bytes little-endian each, no header.
std::unique_ptr<pcm_writer> open_raw_float_writer(const std::string& path);
// WAV (32-bit float) or FLAC (24-bit, samples beyond full scale clipped) through libsndfile.
std::unique_ptr<pcm_writer> open_sndfile_writer(const std::string& path, output_format format,
                                                std::uint32_t sample_rate, std::uint32_t channels);
