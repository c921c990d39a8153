// Which files a run converts and where each output goes: the files and folders
// given, walked and checked before anything is written.
#pragma once

#include "qvxhost/converter/file_identity.h"
#include "qvxhost/converter/output_formats.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

struct batch_item {
    std::string input;             // as found: the given path, or the folder's path joined with the file's
    std::filesystem::path output;  // in the output folder, the input's relative path with the format's extension
    std::uint64_t input_bytes = 0; // weighs the file in the time left
    // When not empty the file is not converted but fails with "error: FAULT": a missing path,
    // a folder that cannot be read, an output that is an input, two inputs for one output.
    std::string fault;
};

// Every input file of a run, by identity (same file, whatever the name), with its path as found.
using input_identities = std::map<file_identity, std::string>;

struct batch_plan {
    std::vector<batch_item> items;
    input_identities inputs;
    // Lines to print before the run, as they are: what was passed over ("skipped: ...") and
    // folders without audio ("warning: ...").
    std::vector<std::string> notes;
};

// Files are taken as given; folders are walked recursively for ".dff" in any
// letter case, each folder's files in sorted order, then its subfolders. An
// output keeps the path relative to the folder it came from (a file given by
// itself: its name). Symlinked folders are not descended into, a folder is walked
// once however often it is reached, AppleDouble files ("._NAME") are passed over,
// and so is anything that is not a regular file (with a note).
batch_plan plan_batch(const std::vector<std::string>& inputs, const std::filesystem::path& output_folder,
                      output_format format);

// One file to one output, under the same checks.
batch_plan plan_single(const std::string& input, const std::filesystem::path& output);

// The fault of writing `output` when it (or its temporary name) is one of `inputs`:
// "OUT: would overwrite the input IN"; empty when it is none.
std::string overwrites_an_input(const std::filesystem::path& output, const input_identities& inputs);

// True when `inputs` ask for a batch: more than one, or a folder.
bool is_batch(const std::vector<std::string>& inputs);
