#include "qvxhost/converter/output_formats.h"

#include "qvxhost/converter/dsd_output.h"
#include "qvxhost/converter/pcm_writer.h"
#include "util/exceptions.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace {

constexpr int float_only[] = {0};
constexpr int float_or_integer[] = {0, 16, 24};
constexpr int integer_only[] = {16, 24};

const std::array<output_format_info, 5> formats{{
    {output_format::f32, "f32", "raw float", "raw 32-bit float little-endian, interleaved, exactly as decoded",
     output_kind::pcm, float_only, 0, false, open_raw_float_writer, verify_raw_float_output, nullptr},
    {output_format::wav, "wav", "WAV", "WAV, 32-bit float or 16/24-bit with --bits, RF64 beyond 4 GiB", output_kind::pcm,
     float_or_integer, 0, true, open_sndfile_writer, verify_sndfile_output, nullptr},
    {output_format::flac, "flac", "FLAC", "FLAC, 24-bit or 16-bit with --bits", output_kind::pcm, integer_only, 24, true,
     open_sndfile_writer, verify_sndfile_output, nullptr},
    {output_format::dsf, "dsf", "DSF", "DSF, the DSD as decoded (DST unpacked), with an ID3v2 tag", output_kind::dsd, {}, 0,
     true, nullptr, nullptr, write_dsf_output},
    {output_format::dff, "dff", "DSDIFF", "DSDIFF with plain DSD (DST unpacked), every other chunk kept", output_kind::dsd,
     {}, 0, true, nullptr, nullptr, write_dsdiff_output},
}};

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace

std::string extension_of(const std::string& path)
{
    const auto slash = path.find_last_of("/\\");
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return path.substr(dot + 1);
}

std::span<const output_format_info> output_formats() { return formats; }

const output_format_info& format_info(output_format format)
{
    for (const auto& info : formats)
        if (info.format == format) return info;
    throw exception_bug_check("unknown output format");
}

std::optional<output_format> parse_output_format(std::string_view name)
{
    for (const auto& info : formats)
        if (info.name == name) return info.format;
    return std::nullopt;
}

std::string output_format_names(std::string_view separator)
{
    std::string names;
    for (const auto& info : formats) names += (names.empty() ? "" : std::string(separator)) + std::string(info.name);
    return names;
}

output_format output_format_for(const std::string& path, std::optional<output_format> forced)
{
    if (forced) return *forced;
    if (auto format = parse_output_format(lower(extension_of(path)))) return *format;
    throw exception_io("Cannot tell the output format of " + path + ": use --format " + output_format_names());
}

std::string output_extension(output_format format) { return "." + std::string(format_info(format).name); }
