// Streams and random-access files of the host's file-system layer.
//
// Every operation that takes an abort_signal may throw exception_aborted when it is
// set, and any exception_io on an I/O error; the lines below name what else is thrown.
// A stream or file is used by one thread at a time (its owner's).
#pragma once

#include "host/abort_signal.h"
#include "host/service_base.h"
#include "host/string_base.h"

#include <cstdint>

inline constexpr std::uint64_t filesize_invalid = ~std::uint64_t{0};

// Sequential reader. Reads return fewer bytes than asked only at the end.
class stream_reader : public service_base {
public:
    static constexpr guid class_guid = make_guid("F8B8D45E-5F5A-4C2B-9B4F-3D6E102A77C1");

    // [owner's thread] Into the caller's buffer; returns the bytes read, fewer than asked only at the end.
    virtual std::size_t read(void* buffer, std::size_t bytes, abort_signal& abort) = 0;
    // [owner's thread] Exactly `bytes` into the caller's buffer; fewer throws exception_io_data_truncation.
    virtual void read_object(void* buffer, std::size_t bytes, abort_signal& abort);
    // [owner's thread] Skips up to `bytes`; returns how many were skipped, fewer only at the end.
    virtual std::uint64_t skip(std::uint64_t bytes, abort_signal& abort);
    // [owner's thread] Skips exactly `bytes`; fewer throws exception_io_data_truncation.
    virtual void skip_object(std::uint64_t bytes, abort_signal& abort);

protected:
    ~stream_reader() = default;
};

class stream_writer : public service_base {
public:
    static constexpr guid class_guid = make_guid("1F2D3C4B-6A5E-4B8C-8D21-5C3E7A90112F");

    // [owner's thread] Writes all of the caller's bytes or throws.
    virtual void write(const void* buffer, std::size_t bytes, abort_signal& abort) = 0;

protected:
    ~stream_writer() = default;
};

// Random-access file. Counted; one thread at a time.
//
// Seeking past the end is allowed and moves the position there: reads then return
// nothing (an exact read throws exception_io_data_truncation), and get_position reports
// the position sought. Every file implementation behaves so.
class file : public stream_reader {
public:
    static constexpr guid class_guid = make_guid("B2F9FC40-3E55-4B23-A2C9-22BAAD8795B1");

    enum seek_mode : int { seek_from_beginning = 0, seek_from_current = 1, seek_from_eof = 2 };

    // [owner's thread] Read-only files throw exception_io_denied.
    virtual void write(const void* buffer, std::size_t bytes, abort_signal& abort) = 0;
    // [owner's thread] Size in bytes, or filesize_invalid when unknown.
    virtual std::uint64_t get_size(abort_signal& abort) = 0;
    // [owner's thread] The next byte a read takes, from the start.
    virtual std::uint64_t get_position(abort_signal& abort) = 0;
    // [owner's thread] Read-only files throw exception_io_denied.
    virtual void resize(std::uint64_t size, abort_signal& abort) = 0;
    // [owner's thread] From the start; past the end as the class comment says.
    virtual void seek(std::uint64_t position, abort_signal& abort) = 0;
    // [owner's thread] Mode 0 from the start, 1 from the current position, 2 from the end (unknown
    // size: exception_io_no_length); another mode throws exception_io_data.
    virtual void seek_ex(std::int64_t offset, int mode, abort_signal& abort);
    // [any thread] Never throws.
    virtual bool can_seek() = 0;
    // [owner's thread] Sets the caller's `out`; false, `out` untouched, when the file has no content type.
    virtual bool get_content_type(string_base& out) = 0;
    // [any thread] Never throws.
    virtual bool is_remote() = 0;
    // [owner's thread] Last modification, in 100-nanosecond ticks since 1601-01-01.
    virtual std::uint64_t get_timestamp(abort_signal& abort) = 0;
    // [owner's thread] Restarts reading at the beginning.
    virtual void reopen(abort_signal& abort) = 0;
    // [owner's thread] The reader is idle for a while; a file may drop what it holds.
    virtual void on_idle(abort_signal& abort) = 0;

    // Generic skipping for seekable files: by seeking within the known size.
    std::uint64_t skip(std::uint64_t bytes, abort_signal& abort) override;

protected:
    ~file() = default;
};

using file_ptr = service_ptr_t<file>;

struct file_stats {
    std::uint64_t size = filesize_invalid;
    std::uint64_t timestamp = 0;
};

// Reading helpers that every stream shares; header-only so that both sides
// of the library boundary behave alike.
inline void stream_reader::read_object(void* buffer, std::size_t bytes, abort_signal& abort)
{
    if (read(buffer, bytes, abort) != bytes) throw exception_io_data_truncation();
}

inline std::uint64_t stream_reader::skip(std::uint64_t bytes, abort_signal& abort)
{
    char scratch[4096];
    std::uint64_t done = 0;
    while (done < bytes) {
        const std::size_t want = static_cast<std::size_t>(bytes - done < sizeof scratch ? bytes - done : sizeof scratch);
        const std::size_t got = read(scratch, want, abort);
        done += got;
        if (got < want) break;
    }
    return done;
}

inline void stream_reader::skip_object(std::uint64_t bytes, abort_signal& abort)
{
    if (skip(bytes, abort) != bytes) throw exception_io_data_truncation();
}

inline void file::seek_ex(std::int64_t offset, int mode, abort_signal& abort)
{
    std::uint64_t origin = 0;
    switch (mode) {
    case seek_from_beginning: break;
    case seek_from_current: origin = get_position(abort); break;
    case seek_from_eof:
        origin = get_size(abort);
        if (origin == filesize_invalid) throw exception_io_no_length();
        break;
    default: throw exception_io_data();
    }
    seek(origin + static_cast<std::uint64_t>(offset), abort);
}

inline std::uint64_t file::skip(std::uint64_t bytes, abort_signal& abort)
{
    if (!can_seek()) return stream_reader::skip(bytes, abort);
    const std::uint64_t size = get_size(abort);
    if (size == filesize_invalid) return stream_reader::skip(bytes, abort);
    const std::uint64_t position = get_position(abort);
    const std::uint64_t left = position < size ? size - position : 0;
    const std::uint64_t step = bytes < left ? bytes : left;
    seek(position + step, abort);
    return step;
}
