// The qvxhost commands, run against a loaded component. Each returns the text
// for standard output and throws on any error.
#pragma once

#include "qvxhost/component_loader.h"
#include "qvxhost/pcm_writer.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// Track information: "name=value" lines in the order the component set them, then "length=".
std::string run_info(const loaded_component& component, const std::string& path, abort_signal& abort);

struct decode_request {
    std::string input;
    std::string output;
    std::optional<std::int32_t> max_rate;
    std::optional<double> seek_seconds;
    std::optional<output_format> format;
    // Called after each chunk with the fraction of the track done (0 to 1).
    std::function<void(double)> progress;
};

// Decodes to the output file: "samplerate=", "channels=" and "samples=" lines.
std::string run_decode(const loaded_component& component, const decode_request& request, abort_signal& abort);

// What follows the last dot of the file name, without the dot; empty if none.
std::string extension_of(const std::string& path);
