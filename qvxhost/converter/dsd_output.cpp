#include "qvxhost/converter/dsd_output.h"

#include "dsdiff_file/dsdiff_file.h"
#include "dsdiff_file/dsf_writer.h"
#include "dsdiff_file/plain_dsdiff_writer.h"
#include "qvxhost/player/utf8_paths.h"
#include "util/exceptions.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

file_byte_sink::file_byte_sink(const std::string& path, const std::string& shown, std::function<void(std::uint64_t)> progress)
    : shown_(shown), stream_(open_utf8_file(path, "wb")), progress_(std::move(progress))
{
    if (stream_ == nullptr) throw exception_io("Cannot create " + shown + ": " + std::strerror(errno));
}

file_byte_sink::~file_byte_sink()
{
    if (stream_) std::fclose(stream_);
}

void file_byte_sink::write(std::span<const std::uint8_t> bytes)
{
    if (bytes.empty()) return;
    if (std::fwrite(bytes.data(), 1, bytes.size(), stream_) != bytes.size())
        throw exception_io("Cannot write " + shown_ + ": " + std::strerror(errno));
    written_ += bytes.size();
    if (progress_) progress_(written_);
}

void file_byte_sink::finish()
{
    std::FILE* stream = std::exchange(stream_, nullptr);
    // Buffered bytes reach the file here: a full disk may only show now.
    if (std::fclose(stream) != 0) throw exception_io("Cannot write " + shown_ + ": " + std::strerror(errno));
}

void write_dsf_output(const dsdiff_file& input, const dsd_byte_range& range, std::span<const std::uint8_t> id3_tag,
                      byte_sink& out, abort_signal& abort)
{
    write_dsf(input, range, id3_tag, out, abort);
}

void write_dsdiff_output(const dsdiff_file& input, const dsd_byte_range& range, std::span<const std::uint8_t>, byte_sink& out,
                         abort_signal& abort)
{
    // The whole file keeps all its chunks as they are; a track drops the master's markers.
    const bool whole = range.first == 0 && range.end == input.whole().end;
    write_plain_dsdiff(input, whole ? std::nullopt : std::optional(range), out, abort);
}

void verify_file_size(const std::string& path, const std::string& shown, std::uint64_t bytes)
{
    std::error_code error;
    const auto size = std::filesystem::file_size(path_from_utf8(path), error);
    if (error) throw exception_io("Cannot read back " + shown + ": " + error.message());
    if (size != bytes)
        throw exception_io("Cannot write " + shown + ": the finished file holds " + std::to_string(size) + " bytes instead of " +
                           std::to_string(bytes));
}
