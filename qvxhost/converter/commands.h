// The qvxhost commands, run against a loaded component. Each returns the text
// for standard output and throws on any error.
#pragma once

#include "qvxhost/player/component_loader.h"
#include "qvxhost/converter/pcm_writer.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// Track information: "name=value" lines in the order the component set them, then "length=";
// with `tags`, then "tag.NAME=value" lines (a file whose tags cannot be read gets a warning instead).
std::string run_info(const loaded_component& component, const std::string& path, abort_signal& abort,
                     bool tags = false, const std::function<void(const std::string&)>& warn = {});

struct decode_request {
    std::string input;
    std::string output;
    std::optional<std::int32_t> max_rate;
    std::optional<double> seek_seconds;
    std::optional<output_format> format;
    std::optional<int> bits;  // the format's default depth when not given
    double gain_db = 0;
    // Called after each chunk with the fraction of the track done (0 to 1) and the seconds of audio written.
    std::function<void(double, double)> progress;
    // Called with what the user should know that is no error (clipping, tags that were not read).
    std::function<void(const std::string&)> warn;
};

struct decode_outcome {
    std::uint32_t sample_rate = 0;  // as reported
    std::uint32_t channels = 0;
    std::uint64_t frames = 0;
};

// Decodes to the output file: "samplerate=", "channels=" and "samples=" lines.
// Sets the maximum rate, when given, as the component's setting first.
std::string run_decode(const loaded_component& component, const decode_request& request, abort_signal& abort);

// Decodes one file with the component's settings as they are; WAV and FLAC
// outputs that are regular files get the input's tags. [any thread: each call
// opens its own decoder]
decode_outcome decode_file(const loaded_component& component, const decode_request& request, abort_signal& abort);

// The output's encoding for a request (format from the option or the name).
pcm_encoding encoding_for(const decode_request& request);

// What follows the last dot of the file name, without the dot; empty if none.
std::string extension_of(const std::string& path);
