// DSP services of the host, and the resampler providers among them.
#pragma once

#include "host/abort_signal.h"
#include "host/audio_chunk.h"
#include "host/service_base.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// A track handle a DSP may attach to the chunks it emits; opaque here.
class track_handle : public service_base {
protected:
    ~track_handle() = default;
};

// The chunks a DSP run consumes and emits, in order. Implemented by whoever
// runs the DSP; the DSP edits it in place.
class dsp_chunk_list {
public:
    // [runner's thread] Never throws.
    virtual std::size_t get_count() const = 0;
    // [runner's thread] Owned by the list, valid until it is removed; null when index >= count.
    virtual audio_chunk* get_item(std::size_t index) const = 0;
    // [runner's thread] Destroys chunk `index`; nothing when index >= count.
    virtual void remove_by_idx(std::size_t index) = 0;
    // [runner's thread] Bit i set destroys chunk i.
    virtual void remove_mask(const std::vector<bool>& mask) = 0;
    // [runner's thread] Inserts a fresh chunk at min(index, count) and returns it, owned by the
    // list; throws std::bad_alloc.
    virtual audio_chunk* insert_item(std::size_t index, std::size_t hint_size) = 0;

protected:
    ~dsp_chunk_list() = default;
};

// A conversion preset: which DSP and its parameters as bytes.
struct dsp_preset {
    guid owner = null_guid;
    std::vector<std::uint8_t> data;
};

class dsp_instance : public service_base {
public:
    static constexpr guid class_guid = make_guid("5A1B2E73-0C44-4E4B-926D-3B1F447E08A5");

    enum run_flags : std::uint32_t { flag_end_of_stream = 1 };

    // [decoder's thread] Consumes and replaces the chunks of the caller's `list`; throws
    // std::bad_alloc and the DSP's own errors.
    virtual void run(dsp_chunk_list& list, service_ptr_t<track_handle>& track, std::uint32_t flags) = 0;
    // [decoder's thread] Drops buffered state, as after a seek. Never throws.
    virtual void flush() = 0;

protected:
    ~dsp_instance() = default;
};

// Second generation: the run can be cancelled.
class dsp_instance_v2 : public dsp_instance {
public:
    static constexpr guid class_guid = make_guid("9FB1DA49-AF6F-4FD2-9C73-48A8A109003B");

    // [decoder's thread] As run; also throws exception_aborted.
    virtual void run_abortable(dsp_chunk_list& list, service_ptr_t<track_handle>& track, std::uint32_t flags, abort_signal& abort) = 0;

protected:
    ~dsp_instance_v2() = default;
};

// Services enumerated under dsp_entry's class are the host's DSP providers.
class dsp_entry : public service_base {
public:
    static constexpr guid class_guid = make_guid("0D048731-8AA8-4704-8AD6-189E24D48C88");

protected:
    ~dsp_entry() = default;
};

class resampler_provider : public dsp_entry {
public:
    static constexpr guid class_guid = make_guid("3FEED4FC-A400-4A30-8E73-F0ECD114D7E8");

    // [any thread] A new instance into `out`, which then holds its one reference; false, `out`
    // untouched, when the preset is not the provider's. Throws std::bad_alloc.
    virtual bool instantiate(service_ptr_t<dsp_instance>& out, const dsp_preset& preset) = 0;
    // [any thread] Never throws.
    virtual bool is_conversion_supported(std::uint32_t source_rate, std::uint32_t destination_rate) = 0;
    // [any thread] Sets the caller's `out`; quality_scale 0.0 asks for the provider's default
    // quality. False when the provider cannot make one. Throws std::bad_alloc.
    virtual bool create_preset(dsp_preset& out, std::uint32_t destination_rate, float quality_scale) = 0;
    // [any thread] Higher is preferred. Never throws.
    virtual float get_priority() = 0;

protected:
    ~resampler_provider() = default;
};
