// Decoding one file through the component into a PCM writer, as the player
// would play it: the chunks as delivered, written as they come; a failure part-way
// named by its position, or with concealment passed over with silence.
#pragma once

#include "qvxhost/converter/pcm_writer.h"
#include "qvxhost/converter/track_tags.h"
#include "qvxhost/player/component_loader.h"
#include "util/exceptions.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// One output of a decode: the whole audio, or one track of it.
struct pcm_target {
    std::string path;          // where to write
    std::string shown;         // the output's name in messages (its final name)
    bool device = false;       // nothing to tag or read back
    // The DSD samples (per channel, from the start of the audio) it holds: from the output
    // sample nearest to `first` up to the one nearest to `end`, so that tracks joined end to
    // end are the whole decode sample for sample.
    std::uint64_t first = 0;
    std::optional<std::uint64_t> end;  // to the end of the audio when absent
    track_tags tags;                   // written after the audio where the format holds tags
};

struct decode_request {
    std::string input;
    std::vector<pcm_target> targets;
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
    std::uint64_t frames = 0;  // of the whole decode
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

// Decodes with the component's settings as they are, into every target. Outputs of formats
// that hold tags get the targets' tags, and every finished file is read back before it
// counts as written.
// [any thread: each call opens its own decoder]
decode_outcome decode_file(const loaded_component& component, const decode_request& request, abort_signal& abort);
