#include "qvxhost/converter/command_line.h"

#include "qvxhost/player/shared_library.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string_view>

namespace {

[[noreturn]] void fail(const std::string& message) { throw std::invalid_argument(message); }

// A number that fills the whole text; a leading "+" is taken as people write gains.
template <class Number>
std::optional<Number> number(std::string_view text)
{
    if (text.starts_with('+')) text.remove_prefix(1);
    Number value{};
    const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || stop != text.data() + text.size()) return std::nullopt;
    return value;
}

void set_max_rate(command_line& c, const std::string& text)
{
    const auto value = number<std::int64_t>(text);
    if (!value || *value < 1 || *value > INT32_MAX)
        fail("Invalid value for --max-rate: " + text + " (a sample rate in Hz is expected)");
    c.max_rate = static_cast<std::int32_t>(*value);
}

void set_seek(command_line& c, const std::string& text)
{
    const auto value = number<double>(text);
    if (!value || !std::isfinite(*value) || *value < 0)
        fail("Invalid value for --seek: " + text + " (seconds from the start are expected)");
    c.seek_seconds = *value;
}

void set_gain(command_line& c, const std::string& text)
{
    const auto value = number<double>(text);
    if (!value || !std::isfinite(*value) || std::abs(*value) > 120)
        fail("Invalid value for --gain: " + text + " (decibels from -120 to 120 are expected)");
    c.gain_db = *value;
}

void set_jobs(command_line& c, const std::string& text)
{
    const auto value = number<unsigned>(text);
    if (!value || *value < 1 || *value > 1024)
        fail("Invalid value for --jobs: " + text + " (a number of files at once, 1 to 1024, is expected)");
    c.jobs = *value;
}

void set_format(command_line& c, const std::string& text)
{
    c.format = parse_output_format(text);
    if (!c.format) {
        std::string names = output_format_names(", ");
        names.replace(names.rfind(", "), 2, " or ");
        fail("Invalid value for --format: " + text + " (" + names + ")");
    }
}

void set_bits(command_line& c, const std::string& text)
{
    if (text != "16" && text != "24") fail("Invalid value for --bits: " + text + " (16 or 24)");
    c.bits = text == "16" ? 16 : 24;
}

enum usable_with : unsigned { with_info = 1, with_decode = 2, with_any = 3 };

struct option_spec {
    std::string_view short_name;  // "-o", or empty
    std::string_view name;        // "--output"
    std::string_view value;       // what it takes, "OUT"; empty for a switch
    usable_with commands;
    std::string_view help;
    void (*apply)(command_line&, const std::string&);
};

// Every option, in the order help lists them.
const option_spec options[] = {
    {"-o", "--output", "OUT", with_decode,
     "Output file, or folder for several inputs. A file's extension picks the format unless --format is given.",
     [](command_line& c, const std::string& v) { c.output = v; }},
    {"", "--format", "FORMAT", with_decode, "", set_format},
    {"", "--bits", "16|24", with_decode,
     "Integer depth of FLAC (default 24) and WAV (default: 32-bit float). Integer output is TPDF-dithered at its depth; "
     "samples beyond full scale are clipped, counted and reported with the gain that avoids them.",
     set_bits},
    {"", "--gain", "DB", with_decode, "Gain applied before writing, any format (-6, +3.5).", set_gain},
    {"", "--max-rate", "N", with_decode,
     "Maximum output sample rate in Hz, handed to the component as its setting before opening (default: the "
     "component's own, 88200). Higher PCM rates are resampled to N.",
     set_max_rate},
    {"", "--seek", "SECONDS", with_decode, "Seeks once to SECONDS after decoding starts.", set_seek},
    {"", "--conceal", "", with_decode,
     "Where decoding fails part-way (a damaged DST frame, a read error), writes silence for the 1/75 s frame and goes "
     "on, keeping the file's length; each concealed span is reported. Without it such a file fails.",
     [](command_line& c, const std::string&) { c.conceal = true; }},
    {"", "--split", "", with_decode,
     "One output per track of an edited master (its TrackStart markers) into a folder named after the input: "
     "OUT/STEM/NN - TITLE.EXT; -o names a folder then, for one file too. The tracks joined end to end are the "
     "whole file, sample for sample (PCM) or byte for byte (DSD). A file without track markers is written whole.",
     [](command_line& c, const std::string&) { c.split = true; }},
    {"", "--cue", "", with_decode,
     "A cue sheet of the markers' tracks beside a whole-file output: -o em.flac gives em.cue.",
     [](command_line& c, const std::string&) { c.cue = true; }},
    {"-j", "--jobs", "N", with_decode, "Files decoded at once in a batch (default: one per processor).", set_jobs},
    {"", "--overwrite", "", with_decode, "Replace outputs that exist (default: refuse them).",
     [](command_line& c, const std::string&) { c.overwrite = true; }},
    {"", "--skip-existing", "", with_decode, "Leave outputs that exist alone (resumes a batch).",
     [](command_line& c, const std::string&) { c.skip_existing = true; }},
    {"", "--tags", "", with_info, "Print the file's tags too.", [](command_line& c, const std::string&) { c.tags = true; }},
    {"", "--details", "", with_info,
     "Print what the file itself holds: dsdiff.compression=DST|DSD, dsdiff.channels=SLFT,SRGT,..., dsdiff.frames=N "
     "(DST), dsdiff.tracks=N and for each track dsdiff.track.K.start, .length (seconds) and .title.",
     [](command_line& c, const std::string&) { c.details = true; }},
    {"", "--md5", "", with_info,
     "Print dsd.md5=HEX, the MD5 of the decoded DSD in DSDIFF's layout: the same for a DST file and for the plain "
     "file it unpacks to.",
     [](command_line& c, const std::string&) { c.md5 = true; }},
    {"", "--component", "PATH", with_any, "", [](command_line& c, const std::string& v) { c.component = v; }},
    {"-h", "--help", "", with_any, "Show this text.", nullptr},
    {"", "--version", "", with_any, "Show the program's and the component's versions.", nullptr},
};

const option_spec* find_option(std::string_view name)
{
    for (const auto& option : options)
        if (name == option.name || (!option.short_name.empty() && name == option.short_name)) return &option;
    return nullptr;
}

// Where the program finds the component on its own, relative to its folder: where the
// packages put it (QVX_INSTALLED_COMPONENT_FOLDER, from the install layout), then lib/ of a
// build tree.
const component_folder component_search[] = {
    {QVX_INSTALLED_COMPONENT_FOLDER, "as installed"},
    {"../lib", "in a build tree"},
};

std::string component_file_name() { return std::string("qvx_input_dsdiff") + shared_library_suffix; }

// "../lib/qvx_input_dsdiff.so", or the file's name alone for the program's own folder.
std::string component_location(const component_folder& folder)
{
    return folder.path == "." ? component_file_name() : std::string(folder.path) + "/" + component_file_name();
}

// The help of --format lists the table of formats, and that of --component the places
// searched, so that a new format or place shows itself.
std::string option_help(const option_spec& option)
{
    if (option.name == "--component") {
        std::string text = "Load this build of the component instead of the first found from the program's folder:";
        for (const auto& folder : component_search)
            text += " " + component_location(folder) + " (" + std::string(folder.what) + "),";
        text.back() = '.';
        return text;
    }
    if (option.name != "--format") return std::string(option.help);
    std::string text = "Output format:";
    for (const auto& format : output_formats()) text += " " + std::string(format.name) + ": " + std::string(format.summary) + ";";
    text.back() = '.';
    return text + " The default for a batch is flac. WAV, FLAC and DSF carry the input's tags and pictures; "
                  "--gain, --bits, --max-rate and --conceal are for PCM formats only.";
}

// `text` folded into lines of at most `width` characters, each after `indent` spaces.
std::string wrapped(const std::string& text, std::size_t indent, std::size_t width)
{
    std::string out, line;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t space = text.find(' ', at);
        const std::string word = text.substr(at, space == std::string::npos ? std::string::npos : space - at);
        at = space == std::string::npos ? text.size() : space + 1;
        if (!line.empty() && line.size() + 1 + word.size() > width) {
            out += std::string(indent, ' ') + line + "\n";
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
    }
    if (!line.empty()) out += std::string(indent, ' ') + line + "\n";
    return out;
}

} // namespace

void check_depth(output_format format, int bits)
{
    const auto accepts = [bits](const output_format_info& info) {
        return std::find(info.depths.begin(), info.depths.end(), bits) != info.depths.end();
    };
    const output_format_info& asked = format_info(format);
    if (accepts(asked)) return;
    std::vector<std::string> takers;
    for (const auto& info : output_formats())
        if (accepts(info)) takers.emplace_back(info.title);
    std::string list;
    for (std::size_t i = 0; i < takers.size(); ++i) list += (i == 0 ? "" : i + 1 == takers.size() ? " and " : ", ") + takers[i];
    fail("Option --bits is for " + list + "; " + std::string(asked.title) + " (" + std::string(asked.name) +
         ") is always 32-bit float");
}

command_line parse_command_line(std::span<const std::string> arguments)
{
    command_line result;
    std::vector<std::string> positional;
    std::string decode_option, info_option;
    bool version = false, options_ended = false;

    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        if (options_ended || name.size() < 2 || !name.starts_with('-')) {
            positional.push_back(name);
            continue;
        }
        if (name == "--") {
            options_ended = true;
            continue;
        }
        std::optional<std::string> inline_value;
        if (name.starts_with("--") && name.find('=') != std::string::npos) {
            inline_value = name.substr(name.find('=') + 1);
            name.erase(name.find('='));
        }
        const option_spec* option = find_option(name);
        if (option == nullptr) fail("Unknown option " + name + " (see qvxhost --help)");
        if (option->name == "--help") return command_line{};
        if (option->name == "--version") {
            version = true;
            continue;
        }
        std::string value;
        if (!option->value.empty()) {
            if (inline_value) {
                value = *inline_value;
            } else {
                if (i + 1 >= arguments.size()) fail("Option " + name + " needs a value");
                value = arguments[++i];
            }
        } else if (inline_value) {
            fail("Option " + name + " takes no value");
        }
        option->apply(result, value);
        if (option->commands == with_decode) decode_option = name;
        if (option->commands == with_info) info_option = name;
    }

    if (version) {
        result.what = command_line::command::version;
        return result;
    }
    if (positional.empty()) fail("No command given (see qvxhost --help)");
    const std::string& command = positional[0];
    if (command == "help") return command_line{};
    if (command == "info") {
        result.what = command_line::command::info;
        if (!decode_option.empty()) fail("Option " + decode_option + " is not valid for info");
    } else if (command == "decode") {
        result.what = command_line::command::decode;
        if (!info_option.empty()) fail("Option " + info_option + " is not valid for decode");
    } else {
        fail("Unknown command " + command + " (see qvxhost --help)");
    }
    if (positional.size() < 2) fail("No input file given for " + command);
    if (result.what == command_line::command::info && positional.size() > 2) fail("Unexpected argument " + positional[2]);
    result.input = positional[1];
    result.inputs.assign(positional.begin() + 1, positional.end());
    if (result.what == command_line::command::decode && result.output.empty())
        fail("No output file given for decode (use -o OUT)");
    if (result.overwrite && result.skip_existing) fail("Options --overwrite and --skip-existing exclude each other");
    if (result.split && result.cue) fail("Options --split and --cue exclude each other: a cue sheet places tracks in one file");
    if (result.split && result.seek_seconds) fail("Option --seek does not combine with --split");
    if (result.bits && result.format) check_depth(*result.format, *result.bits);
    return result;
}

std::span<const component_folder> component_folders() { return component_search; }

std::string usage_text()
{
    std::string text = R"(Usage: qvxhost COMMAND FILE... [OPTIONS]

Plays the media player's part for the DSDIFF decoder component: loads the
component library, hands it our services and drives it as the player does.

Commands:
  info FILE [--tags]
      Prints the track information the component reports for FILE, one
      line name=value per field in the order the component set them, then
      length=SECONDS; with --tags, then the file's tags as tag.NAME=value
      lines (pictures as tag.PICTURE=type N, MIME, SIZE bytes). Line breaks
      and backslashes in values are written \n, \r and \\.
  decode FILE -o OUT [OPTIONS]
      Decodes FILE to OUT and prints samplerate=R (the rate the component
      reported), channels=N and samples=S (frames written per channel).
      Shows a progress bar on standard error when it is a terminal.
  decode IN... -o FOLDER [OPTIONS]
      Converts several files, or every .dff file in folders (recursively,
      any letter case, in sorted order; symlinked folders, AppleDouble ._
      files and what is not a regular file are passed over), into FOLDER,
      each under its path relative to the folder it came from. Files are
      decoded side by side (--jobs); one progress line on a terminal, a line
      per file otherwise, and a summary at the end. A file that fails is
      reported as "error: PATH: MESSAGE" and the others go on.
  help, --help, -h
  --version

Every output, of one file or many, is written under a temporary name beside
it and renamed when complete: an interrupted or failed file leaves nothing.
An output that is one of the inputs (by name, symlink or hard link) is
refused before anything is written.

Options:
)";
    for (const auto& option : options) {
        std::string names = option.short_name.empty() ? "    " + std::string(option.name)
                                                      : std::string(option.short_name) + ", " + std::string(option.name);
        if (!option.value.empty()) names += " " + std::string(option.value);
        text += "  " + names + "\n" + wrapped(option_help(option), 10, 68);
    }
    text += R"(
Exit status 0 on success. On any error: status 1, nothing on standard output,
and "error: MESSAGE" on standard error; "error: PATH: at M:SS.mmm: MESSAGE"
names where decoding failed. A batch exits with status 1 when any file failed.
SIGINT and SIGTERM end the running decodes with "User abort", remove their
partial outputs and exit with status 130.
)";
    return text;
}
