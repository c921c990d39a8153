#include "qvxhost/command_line.h"

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

} // namespace

command_line parse_command_line(std::span<const std::string> arguments)
{
    command_line result;
    std::vector<std::string> positional;
    bool decode_option_seen = false;
    std::string decode_option;

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
    } else {
        fail("Unknown command " + command + " (see qvxhost --help)");
    }
    if (positional.size() < 2) fail("No input file given for " + command);
    if (positional.size() > 2) fail("Unexpected argument " + positional[2]);
    result.input = positional[1];
    if (result.what == command_line::command::decode && result.output.empty())
        fail("No output file given for decode (use -o OUT)");
    return result;
}

const char* usage_text()
{
    return R"(Usage: qvxhost COMMAND FILE [OPTIONS]

Plays the media player's part for the DSDIFF decoder component: loads the
component library, hands it our services and drives it as the player does.

Commands:
  info FILE
      Prints the track information the component reports for FILE, one
      line name=value per field in the order the component set them, then
      length=SECONDS.
  decode FILE -o OUT [--max-rate N] [--seek SECONDS] [--format f32|wav|flac]
      Decodes FILE to OUT and prints samplerate=R (the rate the component
      reported), channels=N and samples=S (frames written per channel).
      Shows a progress bar on standard error when it is a terminal.
  help, --help, -h
      Shows this text.

Options:
  -o, --output OUT    Output file. Its extension (.f32, .wav, .flac) picks the
                      format unless --format is given.
  --format FORMAT     f32: raw 32-bit float little-endian, interleaved, exactly
                      as decoded; wav: 32-bit float WAV; flac: 24-bit FLAC.
  --max-rate N        Maximum output sample rate in Hz handed to the component
                      as its setting before opening (default: the component's
                      own, 88200). Higher PCM rates are resampled to N.
  --seek SECONDS      Seeks once to SECONDS after decoding starts.
  --component PATH    Loads this build of the component instead of the one
                      beside the program (../lib/qvx_input_dsdiff.so).

Exit status 0 on success. On any error: status 1, nothing on standard output,
and one line "error: MESSAGE" on standard error.
)";
}
