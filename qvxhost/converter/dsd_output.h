// DSD outputs: the DSDIFF file library's writers, put into a file being written.
#pragma once

#include "dsdiff_file/byte_sink.h"
#include "dsdiff_file/dsd_byte_range.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <span>
#include <string>

class abort_signal;
class dsdiff_file;

// A file being written as a byte sink, for DSD outputs, cue sheets and raw float: what fails
// names the output and the system's reason.
class file_byte_sink final : public byte_sink {
public:
    // Creates (or truncates) `path`, named `shown` in messages. `progress`, when given, hears
    // the bytes written so far.
    file_byte_sink(const std::string& path, const std::string& shown, std::function<void(std::uint64_t)> progress = {});
    ~file_byte_sink();
    file_byte_sink(const file_byte_sink&) = delete;
    file_byte_sink& operator=(const file_byte_sink&) = delete;

    void write(std::span<const std::uint8_t> bytes) override;
    // Closes the file; throws exception_io when what was buffered cannot be written.
    void finish();
    std::uint64_t bytes_written() const noexcept { return written_; }

private:
    std::string shown_;
    std::FILE* stream_;
    std::uint64_t written_ = 0;
    std::function<void(std::uint64_t)> progress_;
};

// The format table's DSD writers.
void write_dsf_output(const dsdiff_file& input, const dsd_byte_range& range, std::span<const std::uint8_t> id3_tag,
                      byte_sink& out, abort_signal& abort);
void write_dsdiff_output(const dsdiff_file& input, const dsd_byte_range& range, std::span<const std::uint8_t> id3_tag,
                         byte_sink& out, abort_signal& abort);

// Throws exception_io when the finished file at `path` is not `bytes` long.
void verify_file_size(const std::string& path, const std::string& shown, std::uint64_t bytes);
