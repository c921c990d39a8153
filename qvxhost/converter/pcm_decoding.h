// Decoding one file through the component into a PCM writer, as the player
// would play it: the chunks as delivered, written as they come; a failure part-way
// named by its position, or with concealment passed over with silence.
#pragma once

#include "qvxhost/converter/pcm_writer.h"
#include "qvxhost/player/component_loader.h"
#include "util/exceptions.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

struct decode_request {
    std::string input;
    std::string output;        // where to write
    std::string shown_output;  // the output's name in messages (its final name)
    bool output_is_device = false;  // nothing to tag or read back
    pcm_encoding encoding;
    std::optional<double> seek_seconds;
    bool conceal = false;
    // Called after each chunk with the fraction of the track done (0 to 1) and the seconds of audio written.
    std::function<void(double, double)> progress;
    // Called with what the user should know about the file that is no error (clipping, tags, concealment).
    std::function<void(const std::string&)> warn;
};

struct decode_outcome {
    std::uint32_t sample_rate = 0;  // as reported
    std::uint32_t channels = 0;
    std::uint64_t frames = 0;
    std::size_t concealed_spans = 0;
};

// Decoding stopped part-way: what() is "at M:SS.mmm: MESSAGE", the audio decoded so far and
// the component's own message.
class decode_failure : public exception_io {
public:
    using exception_io::exception_io;
};

// The full path the player would hand the component, after it agreed to handle it; throws
// exception_io when it does not.
std::string accepted_path(input_entry& entry, const std::string& path);

// Decodes with the component's settings as they are. WAV and FLAC outputs get the input's
// tags, and every finished file is read back before it counts as written.
// [any thread: each call opens its own decoder]
decode_outcome decode_file(const loaded_component& component, const decode_request& request, abort_signal& abort);
