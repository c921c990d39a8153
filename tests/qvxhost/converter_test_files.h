// Files and checks that the converter's program tests share: DSDIFF images written to disk,
// listings of what a run left behind, and what a WAV or FLAC holds.
#pragma once

#include "dsdiff_writer.h"
#include "qvxhost_runner.h"
#include "temp_dir.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace converter_test {

namespace dw = dsdiff_writer;

// Plain DSD whose bytes alternate between two idle-like patterns.
inline std::vector<std::uint8_t> sound_data(std::size_t bytes)
{
    std::vector<std::uint8_t> data(bytes);
    for (std::size_t i = 0; i < bytes; ++i) data[i] = (i / 2) % 2 ? 0x69 : 0x96;
    return data;
}

// Full-scale square waves, 64 bytes high and 64 low: the filter's overshoot at each edge lies beyond full scale.
inline std::vector<std::uint8_t> loud_data(std::size_t bytes)
{
    std::vector<std::uint8_t> data(bytes);
    for (std::size_t i = 0; i < bytes; ++i) data[i] = (i / 128) % 2 ? 0xFF : 0x00;
    return data;
}

inline void write_image(const std::string& path, const dw::bytes& image)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    dw::write_file(path, image);
}

inline std::string write_plain(const temp_dir& dir, const std::string& name, const dw::stream_format& format,
                               std::size_t sound_bytes)
{
    const std::string path = dir.file(name);
    dw::write_file(path, dw::plain_file(format, sound_data(sound_bytes)));
    return path;
}

// Every regular file below `root`, as sorted relative paths.
inline std::vector<std::string> files_below(const std::string& root)
{
    std::vector<std::string> files;
    if (!std::filesystem::exists(root)) return files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
        if (entry.is_regular_file()) files.push_back(std::filesystem::relative(entry.path(), root).generic_string());
    std::sort(files.begin(), files.end());
    return files;
}

inline sf_count_t frames_of(const std::string& path)
{
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (f == nullptr) return -1;
    sf_close(f);
    return info.frames;
}

inline bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

inline void expect_error(const program_result& r, const std::string& message)
{
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.out, "") << "nothing on stdout after an error";
    EXPECT_EQ(r.err, "error: " + message + "\n");
}

} // namespace converter_test
