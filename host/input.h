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

    virtual std::uint32_t subsong_count() = 0;
    virtual std::uint32_t subsong_id(std::uint32_t index) = 0;
    // Throws exception_io_data for a subsong other than 0.
    virtual void read_info(std::uint32_t subsong, track_info& info, abort_signal& abort) = 0;
    virtual file_stats read_file_stats(abort_signal& abort) = 0;

protected:
    ~input_info_reader() = default;
};

class input_info_writer : public input_info_reader {
public:
    static constexpr guid class_guid = make_guid("FE40FF66-64C9-4234-B639-028DC8060CF7");

    virtual void write_info(std::uint32_t subsong, const track_info& info, abort_signal& abort) = 0;
    virtual void commit_info(abort_signal& abort) = 0;

protected:
    ~input_info_writer() = default;
};

class input_decoder : public input_info_reader {
public:
    static constexpr guid class_guid = make_guid("7EB442CD-FAD7-4A26-AD7E-16F6FC89207B");

    // [decoder's thread] Prepares decoding from the start; flags are hints.
    virtual void start_decoding(std::uint32_t subsong, std::uint32_t flags, abort_signal& abort) = 0;
    // Fills `chunk` and returns true, or returns false at the end with `chunk` untouched.
    virtual bool decode_next(audio_chunk& chunk, abort_signal& abort) = 0;
    virtual void seek_seconds(double seconds, abort_signal& abort) = 0;
    virtual bool can_seek() = 0;
    // True when `info` was updated; `time_offset` is not written by this component.
    virtual bool read_dynamic_info(track_info& info, double& time_offset) = 0;
    virtual bool read_dynamic_track_info(track_info& info, double& time_offset) = 0;
    virtual void idle(abort_signal& abort) = 0;

protected:
    ~input_decoder() = default;
};

// Static service: one for the component's life.
class input_entry : public service_base {
public:
    static constexpr guid class_guid = make_guid("436547FC-C4EF-4322-B59E-E696A25FAB2C");

    virtual bool accepts_content_type(const char* content_type) = 0;
    // `extension` is without the dot.
    virtual bool accepts_path(const char* full_path, const char* extension) = 0;
    // `file_hint` may be empty. On failure throws and leaves `out` untouched.
    virtual void open_decoder(service_ptr_t<input_decoder>& out, file_ptr file_hint, const char* path, abort_signal& abort) = 0;
    virtual void open_info_reader(service_ptr_t<input_info_reader>& out, file_ptr file_hint, const char* path, abort_signal& abort) = 0;
    virtual void open_info_writer(service_ptr_t<input_info_writer>& out, file_ptr file_hint, const char* path, abort_signal& abort) = 0;
    virtual void get_extended_data(file_ptr file_hint, const char* track_location, const guid& what, mem_block_container& out, abort_signal& abort) = 0;
    virtual std::uint32_t get_flags() = 0;

protected:
    ~input_entry() = default;
};
