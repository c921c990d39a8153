// Decodes DST (MPEG-4 Direct Stream Transfer) frames into plain DSD.
//
// One decoder serves one stream: create() fixes the channel count N and the rate factor F
// (DSD rate / 44100) and allocates every table; decode_frame() then turns the bytes of
// one frame into N × bytes_per_channel channel-interleaved DSD bytes (byte k of channel
// c at k × N + c, earliest bit most significant, 1 for +1). Frames decode independently
// of each other, in any order. Used by one thread at a time.
#pragma once

#include <cstdint>

#include "dst/dst_bit_reader.h"
#include "dst/dst_frame_header.h"
#include "dst/dst_lookahead_tables.h"
#include "dst/dst_packed_code.h"
#include "dst/dst_prediction_tables.h"
#include "dst/dst_reconstruction.h"
#include "dst/dst_table_coding.h"

class dst_frame_decoder {
public:
    // How coded bits are rebuilt. `fast` picks the quickest form the processor runs; the
    // others are there to be compared with each other: the plain reference form, the
    // lookahead form without processor-specific instructions, and the wide form (32-bit
    // sums over 8-bit history groups), which `fast` uses for a frame whose filter sums
    // could leave 16 bits. All give the same bytes and status.
    enum class reconstruction { fast, reference, fast_portable, fast_wide };

    // Fixes the geometry and allocates all tables (a previous geometry is dropped).
    // Throws std::runtime_error "Unsupported channel count!" outside 1..127 channels,
    // "Unsupported rate factor!" outside 1..512; std::bad_alloc passes through.
    void create(int channel_count, int rate_factor);

    // Decodes one frame into out (N × bytes_per_channel bytes, owned by the caller).
    // Returns 0 when out holds the frame's DSD, 1 when the frame's arithmetic code ended
    // wrongly (out untouched). Throws std::runtime_error with a message ending in "!" on a
    // malformed frame; the decoder stays usable for the next frame.
    int decode_frame(std::uint32_t frame_length_bytes, const std::uint8_t* frame_data, std::uint8_t* out);
    // The same, rebuilding the bits with the chosen form.
    int decode_frame(std::uint32_t frame_length_bytes, const std::uint8_t* frame_data, std::uint8_t* out,
                     reconstruction form);

    // Releases every table and the frame copy; create() may follow.
    void destroy();

    int channel_count() const { return header_.geometry.channel_count; }
    std::uint32_t bytes_per_channel() const { return static_cast<std::uint32_t>(header_.geometry.bytes_per_channel); }
    std::uint32_t bits_per_channel() const { return static_cast<std::uint32_t>(header_.geometry.bits_per_channel); }
    const dst_geometry& geometry() const { return header_.geometry; }
    // What the last coded frame defined (valid after a coded frame decoded without throwing).
    const dst_frame_header& header() const { return header_; }
    // Where the arithmetic decoder stopped reading the last coded frame's code (bits from its
    // start, reads past the end included); for diagnostics and tests.
    std::int64_t code_bits_read() const { return code_bits_read_; }

private:
    // Parses the header and tables of a coded frame and checks its arithmetic code;
    // returns where the code starts and how long it is.
    void parse_coded_frame(std::int64_t& adata_start, std::int64_t& adata_length);
    void copy_plain_frame(std::uint8_t* out);

    dst_table_coding filter_coding_;
    dst_table_coding ptable_coding_;
    dst_frame_header header_;
    dst_bit_reader frame_reader_;
    dst_prediction_tables prediction_tables_;
    dst_lookahead_tables lookahead_tables_;
    dst_packed_code packed_code_;
    std::vector<std::uint8_t> staging_;    // fast-form output until the code's end is checked
    dst_reference_work reference_work_;    // sized on the first reference decode
    std::uint8_t discarded_bit_ = 0;
    std::int64_t code_bits_read_ = 0;
};
