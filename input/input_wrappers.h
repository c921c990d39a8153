// The three host-visible objects over one input_dsdiff each: decoder,
// information reader and (always refused) information writer.
#pragma once

#include "input/input_dsdiff.h"
#include "host/service_impl.h"

// The reader operations all three share, over the wrapped input_dsdiff.
template <class Interface>
class input_wrapper_base : public Interface {
public:
    std::uint32_t subsong_count() override { return 1; }
    std::uint32_t subsong_id(std::uint32_t) override { return 0; }
    void read_info(std::uint32_t subsong, track_info& info, abort_signal& abort) override { input.read_info(subsong, info, abort); }
    file_stats read_file_stats(abort_signal& abort) override { return input.read_file_stats(abort); }

    void open(service_ptr_t<file> file_hint, const char* path, open_reason reason, abort_signal& abort)
    {
        input.open(std::move(file_hint), path, reason, abort);
    }

protected:
    input_dsdiff input;
};

class input_info_reader_impl : public input_wrapper_base<input_info_reader> {
public:
    bool service_query(service_ptr_t<service_base>& out, const guid& wanted) override
    {
        return answer_query<input_info_reader>(this, out, wanted);
    }
};

class input_info_writer_impl : public input_wrapper_base<input_info_writer> {
public:
    bool service_query(service_ptr_t<service_base>& out, const guid& wanted) override
    {
        return answer_query<input_info_writer>(this, out, wanted) || answer_query<input_info_reader>(this, out, wanted);
    }
    // Tags cannot be written.
    void write_info(std::uint32_t, const track_info&, abort_signal&) override { throw exception_io_data(); }
    void commit_info(abort_signal&) override {}
};

class input_decoder_impl : public input_wrapper_base<input_decoder> {
public:
    bool service_query(service_ptr_t<service_base>& out, const guid& wanted) override
    {
        return answer_query<input_decoder>(this, out, wanted) || answer_query<input_info_reader>(this, out, wanted);
    }
    void start_decoding(std::uint32_t subsong, std::uint32_t, abort_signal& abort) override { input.start_decoding(subsong, abort); }
    bool decode_next(audio_chunk& chunk, abort_signal& abort) override { return input.decode_next(chunk, abort); }
    void seek_seconds(double seconds, abort_signal& abort) override { input.seek_seconds(seconds, abort); }
    bool can_seek() override { return input.can_seek(); }
    bool read_dynamic_info(track_info& info, double&) override { return input.read_dynamic_info(info); }
    bool read_dynamic_track_info(track_info&, double&) override { return false; }
    void idle(abort_signal& abort) override { input.on_idle(abort); }
};
