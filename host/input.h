// The input services: an entry that opens paths, and the objects it returns.
#pragma once

#include "host/abort_signal.h"
#include "host/audio_chunk.h"
#include "host/file.h"
#include "host/mem_block.h"
#include "host/service_base.h"
#include "host/track_info.h"

#include <cstdint>

// Reads a track's information. Per-request object: counted, one thread at a time.
class input_info_reader : public service_base {
public:
    static constexpr guid class_guid = make_guid("8E9BB1D4-A52B-4DF6-A929-1AAE4075388A");

    // [user's thread] Never throws.
    virtual std::uint32_t subsong_count() = 0;
    // [user's thread] Never throws.
    virtual std::uint32_t subsong_id(std::uint32_t index) = 0;
    // [user's thread] Sets the caller's `info`; throws exception_io_data for a subsong other than 0,
    // exception_io from the file.
    virtual void read_info(std::uint32_t subsong, track_info& info, abort_signal& abort) = 0;
    // [user's thread] Size and timestamp of the file; throws exception_io from the file.
    virtual file_stats read_file_stats(abort_signal& abort) = 0;

protected:
    ~input_info_reader() = default;
};

class input_info_writer : public input_info_reader {
public:
    static constexpr guid class_guid = make_guid("FE40FF66-64C9-4234-B639-028DC8060CF7");

    // [user's thread] Throws exception_io on failure.
    virtual void write_info(std::uint32_t subsong, const track_info& info, abort_signal& abort) = 0;
    // [user's thread] Throws exception_io on failure.
    virtual void commit_info(abort_signal& abort) = 0;

protected:
    ~input_info_writer() = default;
};

class input_decoder : public input_info_reader {
public:
    static constexpr guid class_guid = make_guid("7EB442CD-FAD7-4A26-AD7E-16F6FC89207B");

    // [decoder's thread] Prepares decoding from the start; flags are hints. Throws exception_io
    // and its kinds.
    virtual void start_decoding(std::uint32_t subsong, std::uint32_t flags, abort_signal& abort) = 0;
    // [decoder's thread, after start_decoding] Fills the caller's `chunk` and returns true, or returns
    // false at the end with `chunk` untouched. Throws exception_io and its kinds, std::bad_alloc.
    virtual bool decode_next(audio_chunk& chunk, abort_signal& abort) = 0;
    // [decoder's thread, after start_decoding] Throws exception_io from the file.
    virtual void seek_seconds(double seconds, abort_signal& abort) = 0;
    // [decoder's thread] Never throws.
    virtual bool can_seek() = 0;
    // [decoder's thread] True when the caller's `info` was updated; `time_offset` is not written by this
    // component. Never throws.
    virtual bool read_dynamic_info(track_info& info, double& time_offset) = 0;
    // [decoder's thread] The same for track changes within a stream. Never throws.
    virtual bool read_dynamic_track_info(track_info& info, double& time_offset) = 0;
    // [decoder's thread] Playback is paused; the decoder may release what it holds.
    virtual void idle(abort_signal& abort) = 0;

protected:
    ~input_decoder() = default;
};

// Static service: one for the component's life.
class input_entry : public service_base {
public:
    static constexpr guid class_guid = make_guid("436547FC-C4EF-4322-B59E-E696A25FAB2C");

    // [any thread] Never throws.
    virtual bool accepts_content_type(const char* content_type) = 0;
    // [any thread] UTF-8; `extension` is without the dot. Never throws.
    virtual bool accepts_path(const char* full_path, const char* extension) = 0;
    // [any thread] `file_hint` may be empty. `out` then holds the new object's one reference; on
    // failure throws exception_io or its kinds and leaves `out` untouched.
    virtual void open_decoder(service_ptr_t<input_decoder>& out, file_ptr file_hint, const char* path, abort_signal& abort) = 0;
    // [any thread] As open_decoder.
    virtual void open_info_reader(service_ptr_t<input_info_reader>& out, file_ptr file_hint, const char* path, abort_signal& abort) = 0;
    // [any thread] As open_decoder.
    virtual void open_info_writer(service_ptr_t<input_info_writer>& out, file_ptr file_hint, const char* path, abort_signal& abort) = 0;
    // [any thread] Sets the caller's `out`; throws exception_io on failure.
    virtual void get_extended_data(file_ptr file_hint, const char* track_location, const guid& what, mem_block_container& out, abort_signal& abort) = 0;
    // [any thread] Never throws.
    virtual std::uint32_t get_flags() = 0;

protected:
    ~input_entry() = default;
};
