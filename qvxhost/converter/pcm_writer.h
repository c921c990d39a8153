// Writers of decoded PCM: raw 32-bit float, WAV (32-bit float, or 16 or 24-bit
// integers), FLAC (16 or 24-bit). Integers are made here (level_control), not
// by libsndfile, so that clipping is counted and dither repeats exactly.
#pragma once

#include "qvxhost/converter/level_control.h"

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

// How the samples are stored. `bits` 0 is 32-bit float (raw float and WAV only).
struct pcm_encoding {
    output_format format = output_format::f32;
    int bits = 0;
    double gain_db = 0;
};
// The depth when none is asked for: 24 for FLAC, float for the others.
int default_bits(output_format format);

class pcm_writer {
public:
    virtual ~pcm_writer() = default;
    // Interleaved samples of whole frames. Throws exception_io on write errors.
    virtual void write(std::span<const float> samples) = 0;
    // Completes the file; throws exception_io when that fails. Until then the file may be incomplete.
    virtual void finish() = 0;
    // The gain and, for integer files, what was clipped so far.
    virtual const level_control& levels() const = 0;
};

// Creates (or truncates) `path`. Throws exception_io naming the path when it
// cannot, or when the format has no such depth.
std::unique_ptr<pcm_writer> open_pcm_writer(const std::string& path, const pcm_encoding& encoding,
                                            std::uint32_t sample_rate, std::uint32_t channels);
// The format's default depth, no gain.
std::unique_ptr<pcm_writer> open_pcm_writer(const std::string& path, output_format format, std::uint32_t sample_rate,
                                            std::uint32_t channels);

// Raw float: the samples times the gain (exactly as delivered without one), 4 bytes little-endian each, no header.
std::unique_ptr<pcm_writer> open_raw_float_writer(const std::string& path, double gain_db);
// WAV or FLAC through libsndfile.
std::unique_ptr<pcm_writer> open_sndfile_writer(const std::string& path, const pcm_encoding& encoding,
                                                std::uint32_t sample_rate, std::uint32_t channels);
