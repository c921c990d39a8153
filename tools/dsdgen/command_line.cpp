#include "command_line.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <stdexcept>

namespace dsdgen {

namespace {

constexpr std::array<std::uint32_t, 7> supported_rates = {2822400, 5644800, 11289600, 22579200,
                                                          3072000, 6144000, 12288000};

std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + 1) {
        parts.push_back(text.substr(start, at - start));
    }
    parts.push_back(text.substr(start));
    return parts;
}

double parse_number(const std::string& text, const std::string& option)
{
    std::size_t used = 0;
    double value = 0.0;
    try {
        value = std::stod(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != text.size() || text.empty() || !std::isfinite(value)) {
        throw std::invalid_argument(option + ": '" + text + "' is not a number");
    }
    return value;
}

std::uint64_t parse_unsigned(const std::string& text, const std::string& option)
{
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || text.empty()) {
        throw std::invalid_argument(option + ": '" + text + "' is not a whole number");
    }
    return value;
}

// A signal part aimed at one channel (1-based) or at all of them (-1).
struct pending_part {
    int channel;
    bool is_noise;
    tone tone_part;
    double noise_level;
};

int parse_channel(const std::string& text, const std::string& option)
{
    if (text == "all") return -1;
    const std::uint64_t channel = parse_unsigned(text, option);
    if (channel < 1 || channel > 6) throw std::invalid_argument(option + ": channel must be 1 to 6 or 'all'");
    return static_cast<int>(channel);
}

} // namespace

std::uint64_t options::frames() const
{
    return static_cast<std::uint64_t>(std::floor(seconds * description.sample_rate / 8.0));
}

options parse_command_line(const std::vector<std::string>& arguments)
{
    options result;
    unsigned channel_count = 2;
    std::uint64_t seed = 1;
    std::vector<pending_part> parts;

    for (std::size_t k = 0; k < arguments.size(); ++k) {
        const std::string& option = arguments[k];
        auto value = [&]() -> const std::string& {
            if (k + 1 >= arguments.size()) throw std::invalid_argument(option + " needs a value");
            return arguments[++k];
        };
        if (option == "-h" || option == "--help") {
            result.help = true;
        } else if (option == "-o" || option == "--output") {
            result.output = value();
        } else if (option == "--rate") {
            const std::uint64_t rate = parse_unsigned(value(), option);
            if (std::find(supported_rates.begin(), supported_rates.end(), rate) == supported_rates.end()) {
                throw std::invalid_argument("--rate: unsupported DSD rate " + std::to_string(rate));
            }
            result.description.sample_rate = static_cast<std::uint32_t>(rate);
        } else if (option == "--channels") {
            const std::uint64_t count = parse_unsigned(value(), option);
            if (count < 1 || count > 6) throw std::invalid_argument("--channels: must be 1 to 6");
            channel_count = static_cast<unsigned>(count);
        } else if (option == "--seconds") {
            result.seconds = parse_number(value(), option);
            if (result.seconds < 0.0 || result.seconds > 86400.0) {
                throw std::invalid_argument("--seconds: must be 0 to 86400");
            }
        } else if (option == "--tone") {
            const std::vector<std::string> fields = split(value(), ':');
            if (fields.size() != 3) throw std::invalid_argument("--tone: expected CH:FREQ:DB");
            const tone t{parse_number(fields[1], option), parse_number(fields[2], option)};
            if (t.frequency < 0.0 || t.frequency > 100000.0) {
                throw std::invalid_argument("--tone: frequency must be 0 to 100000 Hz");
            }
            parts.push_back({parse_channel(fields[0], option), false, t, 0.0});
        } else if (option == "--noise") {
            const std::vector<std::string> fields = split(value(), ':');
            if (fields.size() != 2) throw std::invalid_argument("--noise: expected CH:DB");
            parts.push_back({parse_channel(fields[0], option), true, {}, parse_number(fields[1], option)});
        } else if (option == "--mark") {
            const std::string& text = value();
            const auto colon = text.find(':');
            const double at = parse_number(text.substr(0, colon), option);
            if (at < 0.0) throw std::invalid_argument("--mark: seconds must not be negative");
            result.master.tracks.push_back({at, colon == std::string::npos ? std::string() : text.substr(colon + 1)});
        } else if (option == "--title") {
            result.master.title = value();
        } else if (option == "--artist") {
            result.master.artist = value();
        } else if (option == "--seed") {
            seed = parse_unsigned(value(), option);
        } else {
            throw std::invalid_argument("unknown option " + option);
        }
    }
    if (result.help) return result;
    if (result.output.empty()) throw std::invalid_argument("no output file given (-o FILE)");

    result.description.channels.assign(channel_count, channel_signal{});
    if (parts.empty()) {
        for (channel_signal& signal : result.description.channels) signal.tones.push_back(tone{1000.0, -6.0});
    }
    for (const pending_part& part : parts) {
        if (part.channel > static_cast<int>(channel_count)) {
            throw std::invalid_argument("channel " + std::to_string(part.channel) + " exceeds the channel count");
        }
        for (unsigned c = 0; c < channel_count; ++c) {
            if (part.channel != -1 && part.channel != static_cast<int>(c) + 1) continue;
            channel_signal& signal = result.description.channels[c];
            if (!part.is_noise) signal.tones.push_back(part.tone_part);
            else signal.band_noise = noise{part.noise_level, seed + c}; // each channel its own noise
        }
    }
    return result;
}

std::string usage()
{
    return R"(dsdgen: writes a plain-DSD DSDIFF test file.

usage: dsdgen -o FILE [options]

  -o, --output FILE   the .dff file to write (required)
  --rate HZ           DSD rate: 2822400 (default), 5644800, 11289600, 22579200,
                      3072000, 6144000 or 12288000
  --channels N        1 to 6 (default 2), with the standard identifiers:
                      1: C; 2: SLFT SRGT; 3: SLFT SRGT C; 4: SLFT SRGT LS RS;
                      5: SLFT SRGT C LS RS; 6: SLFT SRGT C LFE LS RS
  --seconds S         length (default 10), rounded down to whole bytes
  --tone CH:FREQ:DB   add a sine of FREQ Hz, peak DB dBFS, to channel CH
                      (1-based, or 'all'); may be repeated
  --noise CH:DB       add white noise low-passed at 20 kHz, RMS DB dBFS,
                      to channel CH (1-based, or 'all')
  --seed N            noise seed (default 1); channel c uses N + c - 1
  --mark S[:TITLE]    an edited master's track that starts S seconds in (a
                      TrackStart marker in "DIIN"); may be repeated
  --title TEXT        the master's title ("DITI" in "DIIN")
  --artist TEXT       the master's artist ("DIAR" in "DIIN")
  -h, --help          this text

Levels: 0 dBFS is full modulation, a sine whose peak spans the whole +-1
range of the 1-bit stream; noise RMS is relative to that sine's RMS. The DSD
to PCM filter's gain is 1.99392, so a -6 dBFS tone decodes with peak 0.999.
Each channel's sum is limited to -3 dBFS peak (0.708), the modulator's
stable range.

Without --tone or --noise every channel carries 1 kHz at -6 dBFS. Otherwise a
channel without a part is digital silence (bytes 0x69).

Modulator: 7th-order 1-bit sigma-delta, noise shaped out of 0 to 22.05 kHz.
)";
}

} // namespace dsdgen
