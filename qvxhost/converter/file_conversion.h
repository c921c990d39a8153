// The rules every output follows, of one file or of a batch: an existing output is
// refused unless --overwrite (or left alone with --skip-existing), the output is
// written under a temporary name and renamed when complete, and what a failure
// leaves is removed.
#pragma once

#include "qvxhost/converter/batch_plan.h"
#include "qvxhost/converter/pcm_decoding.h"

#include <functional>
#include <optional>
#include <string>

struct conversion_settings {
    // Format, depth, gain, seek and concealment for every file; input, output and callbacks are set per file.
    decode_request decoding;
    bool overwrite = false;
    bool skip_existing = false;
};

struct conversion_result {
    // Set when the output was left alone: "skipped: IN: OUT exists already".
    std::optional<std::string> skipped;
    decode_outcome outcome;
};

// Converts one planned item (whose fault is empty). Throws what decoding or writing throws, or
// exception_io when the output exists and may not be replaced; nothing is left behind then.
conversion_result convert_item(const loaded_component& component, const batch_item& item, const conversion_settings& settings,
                               abort_signal& abort, const std::function<void(double, double)>& progress,
                               const std::function<void(const std::string&)>& warn);
