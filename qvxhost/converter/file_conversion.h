// The rules every output follows, of one file or of a batch: an output that is an input is
// refused, an existing output is refused unless --overwrite (or left alone with
// --skip-existing), each output is written under a temporary name and renamed when the
// whole file is complete, and what a failure leaves is removed. One input may give several
// outputs: its tracks (--split), or a cue sheet beside it (--cue).
#pragma once

#include "qvxhost/converter/batch_plan.h"
#include "qvxhost/converter/pcm_decoding.h"

#include <functional>
#include <optional>
#include <string>

struct conversion_settings {
    // Format, depth, gain, seek and concealment for every file; input, targets and callbacks are set per file.
    decode_request decoding;
    bool overwrite = false;
    bool skip_existing = false;
    bool split = false;  // one output per track, in a folder named after the input
    bool cue = false;    // a cue sheet beside a whole-file output
};

struct conversion_result {
    // Set when the outputs were left alone: "skipped: IN: OUT exists already".
    std::optional<std::string> skipped;
    decode_outcome outcome;
    std::size_t outputs = 0;
};

// An output that may not be written, whose message names it: what() is the whole error
// line after "error: ", without the input's path in front.
class output_refused : public exception_io {
public:
    using exception_io::exception_io;
};

// Converts one planned item (whose fault is empty). `inputs` are every input of the run, by
// identity, against which each output is checked. Throws what decoding or writing throws,
// output_refused for an output that is an input, or exception_io when an output exists and
// may not be replaced; nothing is left behind then.
conversion_result convert_item(const loaded_component& component, const batch_item& item, const conversion_settings& settings,
                               const input_identities& inputs, abort_signal& abort,
                               const std::function<void(double, double)>& progress,
                               const std::function<void(const std::string&)>& warn);
