// Writers of decoded PCM: raw 32-bit float, WAV (32-bit float, or 16 or 24-bit
// integers), FLAC (16 or 24-bit). Integers are made here (level_control), not
// by libsndfile, so that clipping is counted and dither repeats exactly.
#pragma once

#include "qvxhost/converter/level_control.h"
#include "qvxhost/converter/output_formats.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>

// How the samples are stored. `bits` 0 is 32-bit float.
struct pcm_encoding {
    output_format format = output_format::f32;
    int bits = 0;
    double gain_db = 0;
};

// What the samples are: their rate, channels and the speaker positions of the channels
// (the component's channel mask: bit 0 front left, 1 front right, 2 front centre, 3 LFE,
// 4 back left, 5 back right, and on as WAVE_FORMAT_EXTENSIBLE numbers them).
struct pcm_layout {
    std::uint32_t sample_rate = 0;
    std::uint32_t channels = 0;
    std::uint32_t channel_mask = 0;
};

class pcm_writer {
public:
    virtual ~pcm_writer() = default;
    // Interleaved samples of whole frames. Throws exception_io with the system's reason on
    // write errors.
    virtual void write(std::span<const float> samples) = 0;
    // Completes the file; throws exception_io when that fails. Until then the file may be incomplete.
    virtual void finish() = 0;
    // The gain and, for integer files, what was clipped so far.
    virtual const level_control& levels() const = 0;
};

// Creates (or truncates) `path`, named `shown` in messages (the final name of an output that
// is written under a temporary one). Throws exception_io naming it when it cannot, or when
// the format has no such depth.
std::unique_ptr<pcm_writer> open_pcm_writer(const std::string& path, const std::string& shown, const pcm_encoding& encoding,
                                            const pcm_layout& layout);
// The format's default depth, no gain, named by its path.
std::unique_ptr<pcm_writer> open_pcm_writer(const std::string& path, output_format format, const pcm_layout& layout);

// Raw float: the samples times the gain (exactly as delivered without one), 4 bytes little-endian each, no header.
std::unique_ptr<pcm_writer> open_raw_float_writer(const std::string& path, const std::string& shown, const pcm_encoding& encoding,
                                                  const pcm_layout& layout);
// WAV or FLAC through libsndfile.
std::unique_ptr<pcm_writer> open_sndfile_writer(const std::string& path, const std::string& shown, const pcm_encoding& encoding,
                                                const pcm_layout& layout);

// For a finished file: throws exception_io when it does not read back as `frames` frames of
// `layout`, a file that the writer or a later rewrite (tags) cut short.
void verify_raw_float_output(const std::string& path, const std::string& shown, const pcm_layout& layout, std::uint64_t frames);
void verify_sndfile_output(const std::string& path, const std::string& shown, const pcm_layout& layout, std::uint64_t frames);

// The Vorbis comment that names a FLAC file's speaker positions, "0x0033", or empty when
// `layout` is FLAC's own order for its channel count.
std::string flac_channel_mask_tag(const pcm_layout& layout);
