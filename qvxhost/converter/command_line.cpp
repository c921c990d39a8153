#include "qvxhost/converter/command_line.h"

#include <charconv>
#include <cstdint>
#include <cmath>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace {

[[noreturn]] void fail(const std::string& message) { throw std::invalid_argument(message); }

std::int32_t parse_rate(const std::string& text)
{
    std::int64_t value = 0;
    const auto end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end || value < 1 || value > INT32_MAX)
        fail("Invalid value for --max-rate: " + text + " (a sample rate in Hz is expected)");
    return static_cast<std::int32_t>(value);
}

double parse_seconds(const std::string& text)
{
    double value = 0;
    const auto end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end || !std::isfinite(value) || value < 0)
        fail("Invalid value for --seek: " + text + " (seconds from the start are expected)");
    return value;
}

double parse_gain(const std::string& text)
{
    double value = 0;
    const auto end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end || !std::isfinite(value) || std::abs(value) > 120)
        fail("Invalid value for --gain: " + text + " (decibels from -120 to 120 are expected)");
    return value;
}

unsigned parse_jobs(const std::string& text)
{
    unsigned value = 0;
    const auto end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end || value < 1 || value > 1024)
        fail("Invalid value for --jobs: " + text + " (a number of files at once, 1 to 1024, is expected)");
    return value;
}

} // namespace

command_line parse_command_line(std::span<const std::string> arguments)
{
    command_line result;
    std::vector<std::string> positional;
    bool decode_option_seen = false;
    std::string decode_option;
    std::string info_option;

    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        std::optional<std::string> inline_value;
        if (name.starts_with("--") && name.find('=') != std::string::npos) {
            inline_value = name.substr(name.find('=') + 1);
            name = name.substr(0, name.find('='));
        }
        auto value = [&]() -> std::string {
            if (inline_value) return *inline_value;
            if (i + 1 >= arguments.size()) fail("Option " + name + " needs a value");
            return arguments[++i];
        };

        if (name == "--help" || name == "-h") return command_line{};
        if (name == "--component") {
            result.component = value();
        } else if (name == "-o" || name == "--output") {
            result.output = value();
            decode_option_seen = true;
            decode_option = name;
        } else if (name == "--max-rate") {
            result.max_rate = parse_rate(value());
            decode_option_seen = true;
            decode_option = name;
        } else if (name == "--seek") {
            result.seek_seconds = parse_seconds(value());
            decode_option_seen = true;
            decode_option = name;
        } else if (name == "--format") {
            const std::string text = value();
            result.format = parse_output_format(text);
            if (!result.format) fail("Invalid value for --format: " + text + " (f32, wav or flac)");
            decode_option_seen = true;
            decode_option = name;
        } else if (name == "--bits") {
            const std::string text = value();
            if (text != "16" && text != "24") fail("Invalid value for --bits: " + text + " (16 or 24)");
            result.bits = text == "16" ? 16 : 24;
            decode_option_seen = true;
            decode_option = name;
        } else if (name == "--gain") {
            result.gain_db = parse_gain(value());
            decode_option_seen = true;
            decode_option = name;
        } else if (name == "--jobs" || name == "-j") {
            result.jobs = parse_jobs(value());
            decode_option_seen = true;
            decode_option = name;
        } else if (name == "--overwrite" || name == "--skip-existing") {
            (name == "--overwrite" ? result.overwrite : result.skip_existing) = true;
            decode_option_seen = true;
            decode_option = name;
        } else if (name == "--tags") {
            result.tags = true;
            info_option = name;
        } else if (name.size() > 1 && name.starts_with("-")) {
            fail("Unknown option " + name + " (see qvxhost --help)");
        } else {
            positional.push_back(arguments[i]);
        }
    }

    if (positional.empty()) fail("No command given (see qvxhost --help)");
    const std::string& command = positional[0];
    if (command == "help") return command_line{};
    if (command == "info") {
        result.what = command_line::command::info;
        if (decode_option_seen) fail("Option " + decode_option + " is not valid for info");
    } else if (command == "decode") {
        result.what = command_line::command::decode;
        if (!info_option.empty()) fail("Option " + info_option + " is not valid for decode");
    } else {
        fail("Unknown command " + command + " (see qvxhost --help)");
    }
    if (positional.size() < 2) fail("No input file given for " + command);
    if (result.what == command_line::command::info && positional.size() > 2)
        fail("Unexpected argument " + positional[2]);
    result.input = positional[1];
    result.inputs.assign(positional.begin() + 1, positional.end());
    if (result.what == command_line::command::decode && result.output.empty())
        fail("No output file given for decode (use -o OUT)");
    if (result.overwrite && result.skip_existing) fail("Options --overwrite and --skip-existing exclude each other");
    if (result.bits && result.format == output_format::f32)
        fail("Option --bits is for WAV and FLAC; raw float (f32) is always 32-bit float");
    return result;
}

const char* usage_text()
{
    return R"(Usage: qvxhost COMMAND FILE... [OPTIONS]

Plays the media player's part for the DSDIFF decoder component: loads the
component library, hands it our services and drives it as the player does.

Commands:
  info FILE [--tags]
      Prints the track information the component reports for FILE, one
      line name=value per field in the order the component set them, then
      length=SECONDS; with --tags, then the file's tags as tag.NAME=value
      lines (pictures as tag.PICTURE=type N, MIME, SIZE bytes).
  decode FILE -o OUT [--max-rate N] [--seek SECONDS] [--format f32|wav|flac]
         [--gain DB] [--bits 16|24]
      Decodes FILE to OUT and prints samplerate=R (the rate the component
      reported), channels=N and samples=S (frames written per channel).
      Shows a progress bar on standard error when it is a terminal.
  decode IN... -o FOLDER [--jobs N] [--overwrite | --skip-existing] ...
      Converts several files, or every .dff file in folders (recursively,
      any letter case, in sorted order), into FOLDER, each under its path
      relative to the folder it came from, as --format (default flac).
      N files are decoded at once (default: one per processor), each on
      its own thread. Shows one progress line for the batch on a terminal,
      plain lines otherwise, and a summary at the end. A file that fails is
      reported as "error: PATH: MESSAGE" and the others go on. Each output
      is written under a temporary name and renamed when complete; an
      interrupted or failed file leaves nothing behind.
  help, --help, -h
      Shows this text.

Options:
  -o, --output OUT    Output file. Its extension (.f32, .wav, .flac) picks the
                      format unless --format is given.
  --format FORMAT     f32: raw 32-bit float little-endian, interleaved, exactly
                      as decoded; wav: WAV; flac: FLAC. WAV and FLAC carry the
                      input's tags and pictures (read with TagLib).
  --gain DB           Gain applied before writing, any format.
  --bits 16|24        Integer depth of FLAC (default 24) and WAV (default:
                      32-bit float). Integer output is TPDF-dithered at its
                      depth; samples beyond full scale are clipped, counted
                      and reported with the gain that avoids them.
  --jobs N            Batch: files decoded at once (default: processors).
  --overwrite         Batch: replace outputs that exist (default: refuse them).
  --skip-existing     Batch: leave outputs that exist alone (resumes a batch).
  --tags              info: print the tags too.
  --max-rate N        Maximum output sample rate in Hz handed to the component
                      as its setting before opening (default: the component's
                      own, 88200). Higher PCM rates are resampled to N.
  --seek SECONDS      Seeks once to SECONDS after decoding starts.
  --component PATH    Loads this build of the component instead of the one
                      beside the program (../lib/qvx_input_dsdiff.so).

Exit status 0 on success. On any error: status 1, nothing on standard output,
and one line "error: MESSAGE" on standard error. A batch exits with status 1
when any file failed, and with 130 when interrupted (SIGINT, SIGTERM): the
running decodes end with "User abort" and their partial outputs are removed.
)";
}
