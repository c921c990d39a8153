#include "qvxhost/converter/command_line.h"

#include "qvxhost/player/shared_library.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string_view>
#include <utility>

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
    {"", "--gain", "DB", with_decode, "Gain applied before writing, in any PCM format (-6, +3.5).", set_gain},
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
    {"-h", "--help", "", with_any, "Show the commands and options.", nullptr},
    {"", "--version", "", with_any, "Show the program's and the component's versions.", nullptr},
};

const option_spec* find_option(std::string_view name)
{
    for (const auto& option : options)
        if (name == option.name || (!option.short_name.empty() && name == option.short_name)) return &option;
    return nullptr;
}

// The commands, in the order help lists them.
struct command_spec {
    std::string_view synopsis;  // what follows "qvxhost"
    std::string_view help;      // one paragraph
};

const command_spec commands[] = {
    {"info FILE [--tags] [--details] [--md5]",
     "Prints the track information the component reports for FILE, one line name=value per field in the order the "
     "component set them, then length=SECONDS; with --tags, then the file's tags as tag.NAME=value lines (pictures as "
     "tag.PICTURE=type N, MIME, SIZE bytes). Line breaks and backslashes in values are written \\n, \\r and \\\\."},
    {"decode FILE -o OUT [OPTIONS]",
     "Decodes FILE to OUT and prints samplerate=R (the rate the component reported), channels=N and samples=S "
     "(frames written per channel). Shows a progress bar on standard error when it is a terminal."},
    {"decode IN... -o FOLDER [OPTIONS]",
     "Converts several files, or every .dff file in folders (recursively, any letter case, in sorted order; symlinked "
     "folders, AppleDouble ._ files and what is not a regular file are passed over), into FOLDER, each under its path "
     "relative to the folder it came from. Files are decoded side by side (--jobs); one progress line on a terminal, a "
     "line per file otherwise, and a summary at the end. A file that fails is reported as \"error: PATH: MESSAGE\" and "
     "the others go on."},
    {"help, --help, -h", "Shows the commands and options."},
    {"--version", "Shows the program's and the component's versions."},
};

constexpr std::string_view about =
    "Plays the media player's part for the DSDIFF decoder component: loads the component library, hands it our "
    "services and drives it as the player does.";
constexpr std::string_view outputs_promise =
    "Every output, of one file or many, is written under a temporary name beside it and renamed when complete: an "
    "interrupted or failed file leaves nothing. An output that is one of the inputs (by name, symlink or hard link) is "
    "refused before anything is written.";
constexpr std::string_view exit_status =
    "Exit status 0 on success. On any error: status 1, nothing on standard output, and \"error: MESSAGE\" on standard "
    "error; \"error: PATH: at M:SS.mmm: MESSAGE\" names where decoding failed. A batch exits with status 1 when any "
    "file failed. SIGINT and SIGTERM end the running decodes with \"User abort\", remove their partial outputs and exit "
    "with status 130.";

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

// "-o, --output OUT"
std::string option_names(const option_spec& option)
{
    std::string names = option.short_name.empty() ? std::string(option.name)
                                                  : std::string(option.short_name) + ", " + std::string(option.name);
    if (!option.value.empty()) names += " " + std::string(option.value);
    return names;
}

// `text` folded into lines of at most `width` characters, each after `indent` spaces.
std::string wrapped(std::string_view text, std::size_t indent, std::size_t width)
{
    std::string out, line;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t space = text.find(' ', at);
        const std::string word(text.substr(at, space == std::string::npos ? std::string::npos : space - at));
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

// Text for roff: backslashes escaped, the hyphens of what is typed (options, negative
// numbers, paths) written as minus signs so that what is copied from the page works (groff
// may render a plain hyphen as a typographic one), and no line taken for a request.
std::string roff(std::string_view text)
{
    std::string out;
    bool typed = false;  // within a word that starts with a hyphen or holds '/', '_' or '='
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i == 0 || text[i - 1] == ' ') {
            const std::string_view word = text.substr(i, text.find(' ', i) - i);
            typed = word.find_first_not_of("([") < word.size() && word[word.find_first_not_of("([")] == '-';
            typed = typed || word.find_first_of("/_=") != std::string_view::npos;
        }
        if (text[i] == '\\')
            out += "\\e";
        else if (text[i] == '-' && typed)
            out += "\\-";
        else
            out += text[i];
    }
    if (out.starts_with('.') || out.starts_with('\'')) out.insert(0, "\\&");
    return out;
}

// A synopsis for roff: what is typed as it stands in bold, placeholders (upper case) in
// italics, brackets and separators in roman.
std::string roff_synopsis(std::string_view synopsis)
{
    std::string out;
    std::size_t at = 0;
    while (at < synopsis.size()) {
        const std::size_t space = std::min(synopsis.find(' ', at), synopsis.size());
        const std::string_view word = synopsis.substr(at, space - at);
        at = space + 1;
        const std::size_t begin = std::min(word.find_first_not_of('['), word.size());
        const std::size_t end = std::max(begin, word.find_last_not_of("],.") + 1);
        const std::string_view core = word.substr(begin, end - begin);
        const bool placeholder = std::any_of(core.begin(), core.end(), [](char c) { return c >= 'A' && c <= 'Z'; }) &&
                                 std::none_of(core.begin(), core.end(), [](char c) { return c >= 'a' && c <= 'z'; });
        if (!out.empty()) out += ' ';
        out += roff(word.substr(0, begin)) + (placeholder ? "\\fI" : "\\fB") + roff(core) + "\\fR" + roff(word.substr(end));
    }
    return out;
}

// The commands' names ("info decode help"), for a completion's word list.
std::string command_words()
{
    std::string words;
    for (const auto& command : commands) {
        const std::string_view name = command.synopsis.substr(0, command.synopsis.find_first_of(" ,"));
        if (!name.starts_with('-') && (" " + words + " ").find(" " + std::string(name) + " ") == std::string::npos)
            words += (words.empty() ? "" : " ") + std::string(name);
    }
    return words;
}

// Every name of the options usable with `commands`, for a completion's word list.
std::string option_words(unsigned with)
{
    std::string words;
    for (const auto& option : options) {
        if ((option.commands & with) == 0) continue;
        if (!option.short_name.empty()) words += std::string(option.short_name) + " ";
        words += std::string(option.name) + " ";
    }
    words.pop_back();
    return words;
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
    std::string text = "Usage: qvxhost COMMAND FILE... [OPTIONS]\n\n" + wrapped(about, 0, 78) + "\nCommands:\n";
    for (const auto& command : commands) text += "  " + std::string(command.synopsis) + "\n" + wrapped(command.help, 6, 68);
    text += "\n" + wrapped(outputs_promise, 0, 78) + "\nOptions:\n";
    for (const auto& option : options) {
        text += (option.short_name.empty() ? "      " : "  ") + option_names(option) + "\n";
        text += wrapped(option_help(option), 10, 68);
    }
    return text + "\n" + wrapped(exit_status, 0, 78);
}

std::string manual_page()
{
    std::string page = ".\\\" qvxhost(1), made by qvxhost_manual from the program's tables of commands and options\n"
                       ".\\\" (qvxhost/converter/command_line.cpp): edit those, not this file.\n"
                       ".TH QVXHOST 1 \"\" \"qvxhost " QVX_PROGRAM_VERSION "\" \"User Commands\"\n"
                       // No hyphenation: paths and option names are copied from the page.
                       ".nh\n"
                       ".SH NAME\n"
                       "qvxhost \\- decode DSDIFF (.dff) files to PCM or plain DSD through the DSDIFF decoder component\n"
                       ".SH SYNOPSIS\n"
                       ".nf\n";
    for (const auto& command : commands)
        if (!command.synopsis.starts_with("help") && !command.synopsis.starts_with("-"))
            page += "\\fBqvxhost\\fR " + roff_synopsis(command.synopsis) + "\n";
    page += "\\fBqvxhost \\-\\-help\\fR | \\fB\\-\\-version\\fR\n.fi\n";
    page += ".SH DESCRIPTION\n" + roff(about) + "\n.PP\n" + roff(outputs_promise) + "\n";
    page += ".SH COMMANDS\n";
    for (const auto& command : commands) page += ".TP\n" + roff_synopsis(command.synopsis) + "\n" + roff(command.help) + "\n";
    page += ".SH OPTIONS\n";
    const std::pair<unsigned, std::string_view> groups[] = {
        {with_decode, "Options of decode"}, {with_info, "Options of info"}, {with_any, "Options of every command"}};
    for (const auto& [with, title] : groups) {
        page += ".SS " + std::string(title) + "\n";
        for (const auto& option : options)
            if (option.commands == with)
                page += ".TP\n" + roff_synopsis(option_names(option)) + "\n" + roff(option_help(option)) + "\n";
    }
    page += ".SH EXIT STATUS\n" + roff(exit_status) + "\n";
    page += ".SH FILES\n"
            "Without \\fB\\-\\-component\\fR, the component is the first of these that exists, relative to the folder "
            "of the program:\n";
    for (const auto& folder : component_search) {
        page += ".TP\n.I " + roff(component_location(folder)) + "\nThe component " + roff(folder.what);
        if (folder.path == QVX_INSTALLED_COMPONENT_FOLDER) {
            const auto installed = std::filesystem::path("/usr/bin") / folder.path / component_file_name();
            page += " (for /usr/bin/qvxhost: " + roff(installed.lexically_normal().generic_string()) + ")";
        }
        page += ".\n";
    }
    page += ".SH EXAMPLES\n"
            "What a file holds, then the file as FLAC at the default maximum rate (88200 Hz):\n"
            ".PP\n.RS\n.nf\n"
            "qvxhost info \\-\\-details song.dff\n"
            "qvxhost decode song.dff \\-o song.flac\n"
            ".fi\n.RE\n.PP\n"
            "A folder of DSD files, with its subfolders, as FLAC files in the same layout, two at a time:\n"
            ".PP\n.RS\n.nf\n"
            "qvxhost decode Music/DSD \\-o Music/FLAC \\-\\-jobs 2\n"
            ".fi\n.RE\n.PP\n"
            "An edited master's tracks as DSF files, the DST frames unpacked:\n"
            ".PP\n.RS\n.nf\n"
            "qvxhost decode master.dff \\-o tracks \\-\\-split \\-\\-format dsf\n"
            ".fi\n.RE\n";
    return page;
}

std::string bash_completion()
{
    std::string formats;
    for (const auto& format : output_formats()) formats += (formats.empty() ? "" : " ") + std::string(format.name);
    // Options that take a value: what completes it (the formats, a value's alternatives
    // "16|24", else file and folder names), and all their names for skipping values.
    std::string word_cases, file_options, with_value;
    for (const auto& option : options) {
        if (option.value.empty()) continue;
        std::string names(option.name);
        if (!option.short_name.empty()) names.insert(0, std::string(option.short_name) + " | ");
        with_value += (with_value.empty() ? "" : " | ") + names;
        std::string values = option.name == "--format" ? formats : std::string(option.value);
        if (option.name != "--format" && values.find('|') == std::string::npos) {
            file_options += (file_options.empty() ? "" : " | ") + names;
            continue;
        }
        std::replace(values.begin(), values.end(), '|', ' ');
        word_cases += "        " + names + ")\n            COMPREPLY=($(compgen -W '" + values +
                      "' -- \"$cur\"))\n            return\n            ;;\n";
    }
    const std::string value_cases =
        word_cases + "        " + file_options + ")\n            _filedir\n            return\n            ;;\n";
    return "# bash completion for qvxhost, made by qvxhost_manual from the program's table of options\n"
           "# (qvxhost/converter/command_line.cpp): edit that, not this file.\n"
           "\n"
           "_qvxhost()\n"
           "{\n"
           "    local cur prev words cword split\n"
           "    _init_completion -s || return\n"
           "\n"
           "    case $prev in\n" +
           value_cases +
           "    esac\n"
           "    $split && return\n"
           "\n"
           "    # The command: the first word that is neither an option nor an option's value.\n"
           "    local i command=\n"
           "    for ((i = 1; i < cword; i++)); do\n"
           "        case ${words[i]} in\n"
           "            " + with_value + ") ((i++)) ;;\n"
           "            -*) ;;\n"
           "            *)\n"
           "                command=${words[i]}\n"
           "                break\n"
           "                ;;\n"
           "        esac\n"
           "    done\n"
           "\n"
           "    if [[ $cur == -* ]]; then\n"
           "        case $command in\n"
           "            info) COMPREPLY=($(compgen -W '" + option_words(with_info) + "' -- \"$cur\")) ;;\n"
           "            decode) COMPREPLY=($(compgen -W '" + option_words(with_decode) + "' -- \"$cur\")) ;;\n"
           "            *) COMPREPLY=($(compgen -W '" + option_words(with_any) + "' -- \"$cur\")) ;;\n"
           "        esac\n"
           "        return\n"
           "    fi\n"
           "    case $command in\n"
           "        '') COMPREPLY=($(compgen -W '" + command_words() + "' -- \"$cur\")) ;;\n"
           "        info | decode) _filedir dff ;;\n"
           "    esac\n"
           "} &&\n"
           "    complete -F _qvxhost qvxhost\n";
}
