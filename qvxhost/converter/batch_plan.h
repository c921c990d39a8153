// Which files a batch converts and where each output goes.
#pragma once

#include "qvxhost/converter/pcm_writer.h"

#include <filesystem>
#include <string>
#include <vector>

struct batch_item {
    std::string input;                // as found: the given path, or the folder's path joined with the file's
    std::filesystem::path output;     // in the output folder, the input's relative path with the format's extension
    std::uint64_t input_bytes = 0;    // weighs the file in the time left
};

struct batch_plan {
    std::vector<batch_item> items;
    // "PATH: MESSAGE" for each input that cannot be taken (a folder that cannot be read, a missing path,
    // two inputs for one output); the batch reports them as failed files.
    std::vector<std::string> faults;
};

// Files are taken as given; folders are walked recursively for ".dff" in any
// letter case, each folder's files in sorted order. An output keeps the path
// relative to the folder it came from (a file given by itself: its name).
batch_plan plan_batch(const std::vector<std::string>& inputs, const std::filesystem::path& output_folder,
                      output_format format);

// True when `inputs` ask for a batch: more than one, or a folder.
bool is_batch(const std::vector<std::string>& inputs);
