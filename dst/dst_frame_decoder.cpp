#include "dst/dst_frame_decoder.h"

#include <algorithm>
#include <stdexcept>

#include "dst/dst_fast_reconstruction.h"
#include "dst/dst_frame_error.h"
#include "dst/dst_lookahead.h"
#include "dst/dst_segmentation.h"
#include "util/dsd_silence.h"

void dst_frame_decoder::create(int channel_count, int rate_factor)
{
    const dst_geometry g = dst_geometry::make(channel_count, rate_factor);
    destroy();
    try {
        header_.create(g);
        filter_coding_.create(dst_table_coding::filters, g.max_filters);
        ptable_coding_.create(dst_table_coding::ptables, g.max_ptables);
        prediction_tables_.create(g.max_filters);
        lookahead_tables_.create(g.max_filters, g.max_ptables);
        packed_code_.create(g);
        staging_.assign(static_cast<std::size_t>(g.frame_bytes()), 0);
    } catch (...) {
        destroy();
        throw;
    }
}

void dst_frame_decoder::destroy()
{
    filter_coding_.release();
    ptable_coding_.release();
    header_.release();
    frame_reader_.release();
    prediction_tables_.release();
    lookahead_tables_.release();
    packed_code_.release();
    std::vector<std::uint8_t>().swap(staging_);
    reference_work_.release();
}

int dst_frame_decoder::decode_frame(std::uint32_t frame_length_bytes, const std::uint8_t* frame_data,
                                    std::uint8_t* out)
{
    return decode_frame(frame_length_bytes, frame_data, out, reconstruction::fast);
}

int dst_frame_decoder::decode_frame(std::uint32_t frame_length_bytes, const std::uint8_t* frame_data,
                                    std::uint8_t* out, reconstruction form)
{
    if (header_.geometry.channel_count == 0)
        throw std::logic_error("dst_frame_decoder::decode_frame called before create");

    header_.frame_length_bytes = frame_length_bytes;
    header_.frame_length_bits = 8 * static_cast<std::int64_t>(frame_length_bytes);
    frame_reader_.load_frame({frame_data, frame_length_bytes});

    header_.dst_coded = frame_reader_.read_bits(1);
    if (header_.dst_coded == 0) {
        copy_plain_frame(out);
        return 0;
    }

    std::int64_t adata_start = 0;
    std::int64_t adata_length = 0;
    parse_coded_frame(adata_start, adata_length);
    expand_segmentation(header_.filter_seg, header_.geometry.channel_count, header_.filter_of_byte);
    expand_segmentation(header_.ptable_seg, header_.geometry.channel_count, header_.ptable_of_byte);

    if (form == reconstruction::reference) {
        if (reference_work_.adata.empty())
            reference_work_.create(header_.geometry);
        frame_reader_.read_bit_array(adata_length, reference_work_.adata.data());
        return reconstruct_reference(header_, adata_length, reference_work_, out, code_bits_read_);
    }
    packed_code_.load(frame_reader_.frame(), adata_start, adata_length);
    if (form != reconstruction::fast_wide && lookahead_tables_.build(header_)) {
        if (form == reconstruction::fast && lookahead_bmi2_available())
            return reconstruct_lookahead_bmi2(header_, lookahead_tables_, packed_code_, staging_.data(), out,
                                              code_bits_read_);
        return reconstruct_lookahead_portable(header_, lookahead_tables_, packed_code_, staging_.data(), out,
                                              code_bits_read_);
    }
    prediction_tables_.build(header_);
    return reconstruct_wide(header_, prediction_tables_, packed_code_, staging_.data(), out, code_bits_read_);
}

void dst_frame_decoder::copy_plain_frame(std::uint8_t* out)
{
    discarded_bit_ = static_cast<std::uint8_t>(frame_reader_.read_bits(1));
    if (frame_reader_.read_bits(6) != 0)
        throw std::runtime_error("Illegal stuffing pattern in frame!");
    // The DSD bytes start on the second byte of the frame, already interleaved.
    const auto frame = frame_reader_.frame();
    const auto wanted = static_cast<std::size_t>(header_.geometry.frame_bytes());
    const std::size_t present = frame.size() > 1 ? std::min(wanted, frame.size() - 1) : 0;
    std::copy_n(frame.begin() + (frame.empty() ? 0 : 1), present, out);
    std::fill(out + present, out + wanted, dsd_silence_byte);
}

void dst_frame_decoder::parse_coded_frame(std::int64_t& adata_start, std::int64_t& adata_length)
{
    dst_bit_reader& reader = frame_reader_;
    dst_frame_header& h = header_;
    const dst_geometry& g = h.geometry;
    const int n = g.channel_count;

    h.ptable_same_seg_as_filter = reader.read_bits(1);
    read_segmentation(reader, h.filter_seg, n, g.bytes_per_channel, dst_frame_header::max_filter_segments,
                      dst_frame_header::min_filter_segment_bits, h.filter_same_seg_all_channels);
    if (h.ptable_same_seg_as_filter == 1)
        copy_segmentation(h.filter_seg, h.ptable_seg, n);
    else
        read_segmentation(reader, h.ptable_seg, n, g.bytes_per_channel, dst_frame_header::max_ptable_segments,
                          dst_frame_header::min_ptable_segment_bits, h.ptable_same_seg_all_channels);

    h.ptable_same_map_as_filter = reader.read_bits(1);
    read_mapping(reader, h.filter_seg, n, g.max_filters, h.filter_same_map_all_channels, h.filter_count);
    if (h.ptable_same_map_as_filter == 1)
        copy_mapping(h.filter_seg, h.ptable_seg, n, h.filter_count, g.max_ptables, h.ptable_count);
    else
        read_mapping(reader, h.ptable_seg, n, g.max_ptables, h.ptable_same_map_all_channels, h.ptable_count);

    for (int ch = 0; ch < n; ++ch)
        h.half_prob[static_cast<std::size_t>(ch)] = static_cast<std::int32_t>(reader.read_bits(1));

    read_filters(reader, h, filter_coding_);
    read_ptables(reader, h, ptable_coding_);

    // Fields read past the end came out as zeros and cannot be trusted.
    if (reader.overran())
        throw std::runtime_error(dst_truncated_frame_message);

    adata_start = reader.bits_consumed();
    adata_length = h.frame_length_bits - adata_start;
    if (adata_length > g.max_adata_bits)
        throw std::runtime_error("Illegal arithmetic data length!");
    // The code's first bit is always 0 and never enters the decoder.
    if (adata_length > 0) {
        const std::uint8_t first_byte = reader.frame()[static_cast<std::size_t>(adata_start >> 3)];
        if ((first_byte >> (7 - (adata_start & 7))) & 1)
            throw std::runtime_error("Illegal arithmetic code in frame!");
    }
}
