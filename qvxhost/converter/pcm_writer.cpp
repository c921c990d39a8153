#include "qvxhost/converter/pcm_writer.h"

#include "util/exceptions.h"

#include <algorithm>
#include <cctype>

std::optional<output_format> parse_output_format(std::string_view name)
{
    if (name == "f32") return output_format::f32;
    if (name == "wav") return output_format::wav;
    if (name == "flac") return output_format::flac;
    return std::nullopt;
}

output_format output_format_for(const std::string& path, std::optional<output_format> forced)
{
    if (forced) return *forced;
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
        std::string extension = path.substr(dot + 1);
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (auto format = parse_output_format(extension)) return *format;
    }
    throw exception_io("Cannot tell the output format of " + path + ": use --format f32|wav|flac");
}

namespace {
const char* format_title(output_format format)
{
    switch (format) {
    case output_format::f32: return "raw float";
    case output_format::wav: return "WAV";
    case output_format::flac: return "FLAC";
    }
    return "this";
}
} // namespace

int default_bits(output_format format) { return format == output_format::flac ? 24 : 0; }

std::unique_ptr<pcm_writer> open_pcm_writer(const std::string& path, const pcm_encoding& encoding,
                                            std::uint32_t sample_rate, std::uint32_t channels)
{
    const bool integer_depth = encoding.bits == 16 || encoding.bits == 24;
    if ((encoding.bits != 0 && !integer_depth) || (encoding.format == output_format::f32 && encoding.bits != 0) ||
        (encoding.format == output_format::flac && !integer_depth))
        throw exception_io("Cannot create " + path + ": " + format_title(encoding.format) + " output has no depth of " +
                           std::to_string(encoding.bits) + " bits");
    if (encoding.format == output_format::f32) return open_raw_float_writer(path, encoding.gain_db);
    return open_sndfile_writer(path, encoding, sample_rate, channels);
}

std::unique_ptr<pcm_writer> open_pcm_writer(const std::string& path, output_format format, std::uint32_t sample_rate,
                                            std::uint32_t channels)
{
    return open_pcm_writer(path, pcm_encoding{format, default_bits(format), 0.0}, sample_rate, channels);
}
