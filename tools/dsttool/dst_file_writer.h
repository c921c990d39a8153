// Writes a DST-compressed DSDIFF file frame by frame. The sizes of "FRM8" and
// "DST " and the frame count in "FRTE" are written as placeholders and patched
// by finish(), so files of any length need no more memory than one frame.
#pragma once

#include "dsdiff_writer.h"

#include <cstdint>
#include <fstream>
#include <span>
#include <string>

class dst_file_writer {
public:
    // Throws std::runtime_error when the file cannot be created.
    dst_file_writer(const std::string& path, const dsdiff_writer::stream_format& format);

    void add_frame(std::span<const std::uint8_t> frame);
    // Ends the "DST " chunk, appends `trailing` chunks (whole, with headers) within the form,
    // patches the sizes and closes the file; throws std::runtime_error on a write error.
    void finish(std::span<const std::vector<std::uint8_t>> trailing = {});

    std::uint64_t frame_count() const { return frames_; }
    std::uint64_t bytes_written() const { return position_; }

private:
    void write(std::span<const std::uint8_t> bytes);
    void patch(std::uint64_t offset, std::span<const std::uint8_t> bytes);

    std::string path_;
    std::ofstream out_;
    std::uint64_t position_ = 0;
    std::uint64_t dst_size_offset_ = 0;  // the "DST " chunk's size field
    std::uint64_t frame_count_offset_ = 0;
    std::uint64_t frames_ = 0;
};
