// The output formats, in one table: what the command line accepts, which extension a
// batch gives, which depths a format holds, what it carries besides the audio, and
// which writer makes it. Everything that knows a format asks here.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

enum class output_format { f32, wav, flac, dsf, dff };

// PCM comes from the component, as the player would play it; DSD from the DSDIFF file
// library, the DST frames decoded but nothing converted.
enum class output_kind { pcm, dsd };

struct dsd_byte_range;
struct pcm_encoding;
struct pcm_layout;
class abort_signal;
class byte_sink;
class dsdiff_file;
class pcm_writer;

struct output_format_info {
    output_format format;
    std::string_view name;       // for --format, and the extension without its dot
    std::string_view title;      // in messages: "raw float", "WAV", "FLAC"
    std::string_view summary;    // one line for --help
    output_kind kind;
    std::span<const int> depths; // what --bits may ask for; 0 stands for 32-bit float (PCM only)
    int default_bits;            // without --bits
    bool carries_tags;           // the input's tags and pictures are written into it
    // PCM: creates (or truncates) `path` for samples in `layout`; `shown` names the output in messages.
    std::unique_ptr<pcm_writer> (*open)(const std::string& path, const std::string& shown, const pcm_encoding& encoding,
                                        const pcm_layout& layout);
    // PCM: throws exception_io when the finished file does not hold `frames` frames of `layout`.
    void (*verify)(const std::string& path, const std::string& shown, const pcm_layout& layout, std::uint64_t frames);
    // DSD: writes `range` of the input's audio (bytes per channel; the whole file when it is
    // the whole), with `id3_tag` where the format holds one.
    void (*write_dsd)(const dsdiff_file& input, const dsd_byte_range& range, std::span<const std::uint8_t> id3_tag,
                      byte_sink& out, abort_signal& abort);
};

// Every format, in the order help lists them.
std::span<const output_format_info> output_formats();
const output_format_info& format_info(output_format format);
// By --format name ("f32", "wav", "flac"); nullopt for anything else.
std::optional<output_format> parse_output_format(std::string_view name);
// "f32|wav|flac", for messages and help.
std::string output_format_names(std::string_view separator = "|");
// `forced` when given, else the path's extension (any letter case); throws exception_io when
// neither names a format.
output_format output_format_for(const std::string& path, std::optional<output_format> forced);
// What follows the last dot of a path's file name, without the dot; empty if none.
std::string extension_of(const std::string& path);
// ".flac": the extension a batch gives outputs of this format.
std::string output_extension(output_format format);
