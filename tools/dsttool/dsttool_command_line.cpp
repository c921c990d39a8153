#include "dsttool_command_line.h"

#include <charconv>
#include <stdexcept>
#include <vector>

namespace {

using dst_encoder::table_coding;
using dst_encoder::table_mapping;

long parse_number(const std::string& option, const std::string& text, long lo, long hi)
{
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < lo || value > hi)
        throw std::invalid_argument(option + " expects a number from " + std::to_string(lo) + " to "
                                    + std::to_string(hi) + ", not '" + text + "'");
    return value;
}

std::vector<std::string> split_list(const std::string& text)
{
    std::vector<std::string> out;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        out.push_back(text.substr(start, comma - start));
        if (comma == std::string::npos) return out;
        start = comma + 1;
    }
}

std::vector<int> number_list(const std::string& option, const std::string& text, int lo, int hi)
{
    std::vector<int> out;
    for (const std::string& item : split_list(text)) out.push_back(static_cast<int>(parse_number(option, item, lo, hi)));
    return out;
}

std::vector<table_coding> coding_list(const std::string& option, const std::string& text)
{
    std::vector<table_coding> out;
    for (const std::string& item : split_list(text)) {
        if (item == "auto") out.push_back(table_coding::automatic);
        else if (item == "plain") out.push_back(table_coding::plain);
        else if (item == "0") out.push_back(table_coding::method_0);
        else if (item == "1") out.push_back(table_coding::method_1);
        else if (item == "2") out.push_back(table_coding::method_2);
        else throw std::invalid_argument(option + " expects auto, plain, 0, 1 or 2, not '" + item + "'");
    }
    return out;
}

table_mapping mapping(const std::string& option, const std::string& text)
{
    if (text == "per-channel") return table_mapping::per_channel;
    if (text == "by-segment") return table_mapping::by_segment;
    if (text == "scrambled") return table_mapping::scrambled;
    throw std::invalid_argument(option + " expects per-channel, by-segment or scrambled, not '" + text + "'");
}

} // namespace

dsttool_command_line parse_dsttool_command_line(std::span<const std::string> args)
{
    dsttool_command_line cl;
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") return cl;
    if (args[0] == "encode") cl.what = dsttool_command_line::command::encode;
    else if (args[0] == "decode") cl.what = dsttool_command_line::command::decode;
    else throw std::invalid_argument("unknown command '" + args[0] + "' (try --help)");
    const bool encode = cl.what == dsttool_command_line::command::encode;

    auto& o = cl.options;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) throw std::invalid_argument(a + " needs a value");
            return args[++i];
        };
        auto encode_only = [&] {
            if (!encode) throw std::invalid_argument(a + " applies to encode only");
        };
        if (a == "--help" || a == "-h") {
            cl.what = dsttool_command_line::command::help;
            return cl;
        }
        if (a == "-o") {
            cl.output = value();
        } else if (a.size() > 1 && a[0] == '-') {
            encode_only();
            if (a == "--order") o.filter_orders = number_list(a, value(), 1, 128);
            else if (a == "--ptable-length") o.ptable_lengths = number_list(a, value(), 1, 64);
            else if (a == "--filter-coding") o.filter_coding = coding_list(a, value());
            else if (a == "--ptable-coding") o.ptable_coding = coding_list(a, value());
            else if (a == "--filter-segments") o.filter_segments = number_list(a, value(), 1, 4);
            else if (a == "--ptable-segments") o.ptable_segments = number_list(a, value(), 1, 8);
            else if (a == "--resolution") o.segment_resolution = static_cast<int>(parse_number(a, value(), 0, 65535));
            else if (a == "--layout-seed") o.layout_seed = static_cast<std::uint64_t>(parse_number(a, value(), 0, 0x7FFFFFFF));
            else if (a == "--filter-seg-per-channel") o.filter_same_seg_all_channels = false;
            else if (a == "--filter-map-per-channel") o.filter_same_map_all_channels = false;
            else if (a == "--ptable-seg-per-channel") o.ptable_same_seg_all_channels = false;
            else if (a == "--ptable-map-per-channel") o.ptable_same_map_all_channels = false;
            else if (a == "--ptable-own-seg") o.ptable_same_seg_as_filter = false;
            else if (a == "--ptable-own-map") o.ptable_same_map_as_filter = false;
            else if (a == "--filter-mapping") o.filter_mapping = mapping(a, value());
            else if (a == "--ptable-mapping") o.ptable_mapping = mapping(a, value());
            else if (a == "--half-prob") {
                o.half_prob.clear();
                for (int flag : number_list(a, value(), 0, 1)) o.half_prob.push_back(flag == 1);
            }
            else if (a == "--plain") o.force_plain = true;
            else if (a == "--no-plain-fallback") o.plain_fallback = false;
            else if (a == "--random-features") cl.random_features = static_cast<std::uint64_t>(parse_number(a, value(), 0, 0x7FFFFFFF));
            else if (a == "-v" || a == "--verbose") cl.verbose = true;
            else throw std::invalid_argument("unknown option '" + a + "' (try --help)");
        } else if (cl.input.empty()) {
            cl.input = a;
        } else {
            throw std::invalid_argument("more than one input file given ('" + cl.input + "', '" + a + "')");
        }
    }
    if (cl.input.empty()) throw std::invalid_argument("no input file given");
    if (cl.output.empty()) throw std::invalid_argument("no output file given (-o)");
    return cl;
}

const char* dsttool_usage_text()
{
    return R"(usage:
  dsttool encode IN.dff -o OUT.dff [options]   plain-DSD DSDIFF in, DST-compressed DSDIFF out
  dsttool decode IN.dff -o OUT.dsd             DST DSDIFF in, raw channel-interleaved DSD bytes out
  dsttool --help

encode writes one DST frame per 1/75 s. The last frame is completed with DSD
silence (0x69 bytes). A frame is written uncoded where coding would not make it
smaller. Lists (A,B,...) apply cyclically by channel, filter or table number.

encode options:
  --order N[,N...]            prediction filter orders, 1..128 (default 128)
  --ptable-length N[,N...]    longest probability tables, 1..64 (default 64)
  --filter-coding C[,C...]    filter coefficient coding: auto, plain, 0, 1, 2 (default auto)
  --ptable-coding C[,C...]    probability table coding: auto, plain, 0, 1, 2 (default auto)
  --filter-segments N[,N...]  filter segments per channel, 1..4 (default 1)
  --ptable-segments N[,N...]  probability-table segments per channel, 1..8 (default 1;
                              used with --ptable-own-seg and --ptable-own-map)
  --resolution BYTES          segment length unit (default: chosen)
  --layout-seed N             random segment lengths and table mapping (default 0: even)
  --filter-seg-per-channel    write the filter segmentation for each channel
  --filter-map-per-channel    write the filter mapping for each channel
  --ptable-seg-per-channel    write the probability-table segmentation for each channel
  --ptable-map-per-channel    write the probability-table mapping for each channel
  --ptable-own-seg            probability tables get their own segmentation
  --ptable-own-map            probability tables get their own mapping
  --filter-mapping M          per-channel, by-segment (shared across channels) or scrambled
  --ptable-mapping M          the same for probability tables
  --half-prob F[,F...]        per channel 0 or 1: first bits at probability 1/2
  --plain                     write every frame uncoded
  --no-plain-fallback         write coded frames even where they are not smaller
  --random-features SEED      a random mix of all the above per frame, drawn from SEED
                              and the frame number (overrides the options above)
  -v, --verbose               one line per frame on stderr

decode prints "frame K: bad arithmetic code" on stderr for a frame whose
arithmetic code ends wrongly and writes DSD silence (0x69) for it; a malformed
frame stops decoding with "error: frame K: MESSAGE" and exit status 1.
)";
}
