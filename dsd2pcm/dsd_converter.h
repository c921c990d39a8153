// One channel's DSD-to-PCM converter: a 128-tap linear-phase low-pass FIR
// evaluated once per DSD byte through per-byte lookup tables, so that every
// input byte yields one float sample at one eighth of the DSD rate.
//
// DSD bytes: the most significant bit is the earliest sample; a 1 bit is +1,
// a 0 bit −1. Output n (counting bytes since the last reset) uses input bytes
// n−15 … n and is centred between bytes n−8 and n−7; bytes before the first
// are the idle pattern 0xAA, which the filter maps to 0.0. Output is neither
// delayed nor trimmed and never clipped (|output| ≤ 2.3746).
//
// Used by one thread at a time. Building allocates; reset and convert never
// allocate and cannot fail. The tables the block and vector forms derive from
// the filter are built once per process, on first use, and shared read-only
// by all converters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// How convert evaluates the filter; every form gives the reference form's bits.
enum class fir_form {
    // The fastest form this processor can run.
    automatic,
    // Portable: scalar doubles, four outputs interleaved.
    block,
    // x86-64 with AVX2: each byte adds its terms to the 16 outputs it reaches.
    avx2,
    // x86-64 with AVX-512 VBMI: integer byte planes looked up in registers.
    avx512,
};

// "automatic", "block", "avx2" or "avx512": for labels and failure messages.
const char* fir_form_name(fir_form form);

class dsd_converter {
public:
    // Builds the tables and the ring, then resets. Throws std::bad_alloc.
    dsd_converter();
    // The same with convert in the given form; throws std::invalid_argument
    // when the processor cannot run it (see form_supported).
    explicit dsd_converter(fir_form form);
    ~dsd_converter();
    dsd_converter(dsd_converter&&) noexcept;
    dsd_converter& operator=(dsd_converter&&) noexcept;

    // True when this processor (within the QVX_CPU cap) runs the form and
    // the filter's tables suit it; always true for automatic and block.
    static bool form_supported(fir_form form);

    // The form convert uses; never automatic.
    fir_form form() const { return convert_form; }

    // Back to the idle state, as if freshly built; the tables are kept.
    void reset();

    // Consumes `count` bytes of this channel (consecutive bytes `input_stride`
    // bytes apart) and writes `count` floats (`output_stride` floats apart).
    // A count of zero or less does nothing. Converting a stream in blocks of
    // any size gives the same outputs as converting it at once.
    void convert(const std::uint8_t* input, std::ptrdiff_t input_stride, float* output,
                 std::ptrdiff_t output_stride, std::int32_t count);

    // The same conversion, written step by step on the ring; bit for bit equal
    // to `convert` and sharing its state, so the two may be mixed freely.
    void convert_reference(const std::uint8_t* input, std::ptrdiff_t input_stride, float* output,
                           std::ptrdiff_t output_stride, std::int32_t count);

private:
    // Number of history bytes the block form keeps in front of a block: the
    // whole window (2 × half_length bytes).
    static constexpr std::int32_t window_length = 16;

    void load_window(std::uint8_t* window) const;
    void store_window(const std::uint8_t* window);

    // Bytes on each side of the filter centre.
    std::int32_t half_length;
    // half_length tables of 256 entries: table i holds the partial sum of the
    // byte at distance i from the centre, indexed by the byte value, its most
    // significant bit meeting the coefficient nearest the centre.
    std::vector<float> byte_tables;
    // Entry v: v with its bits reversed (an older byte meets the coefficients
    // from its least significant bit on).
    std::vector<std::uint8_t> bit_reverse;
    // 16 slots, a power of two so that wrap-around is one AND with ring_mask.
    std::int32_t ring_size;
    std::int32_t ring_mask;
    // The last 2 × half_length bytes, one value per slot. With r =
    // ring_position: slots r−8 … r−1 hold the older half bit-reversed (r−1 the
    // most recent), slots r … r+7 the newer half as read (r+7 the newest).
    std::vector<std::int32_t> ring;
    std::int32_t ring_position;

    // The tables of the block and fast forms, shared by all converters.
    struct form_tables;

    fir_form convert_form;
    const form_tables* shared_tables;
};
