// Writes DST frames from a readable description, section by section, with the field
// widths the format derives from counts. It writes what it is given, valid or not, so
// tests can also state malformed frames.
#pragma once

#include <cstdint>
#include <vector>

#include "dst_bit_writer.h"

struct dst_segmentation_desc {
    bool same_for_all_channels = true;
    std::int32_t resolution = 1;                      // written before the first coded length only
    std::vector<std::vector<std::int64_t>> lengths;   // per channel (one row if shared): coded lengths
                                                      // in resolution units; the open last segment is implied
};

struct dst_mapping_desc {
    bool same_for_all_channels = true;
    std::vector<std::vector<std::int32_t>> tables;    // per channel (one row if shared): table of each
                                                      // segment; segment 0 of channel 0 is table 0, not written
};

struct dst_table_desc {
    std::vector<std::int32_t> values;  // filter coefficients or probabilities
    int method = -1;                   // −1: plain; 0..2: predicted (filters: 3 writes an invalid method)
    int rice_param = 0;
};

struct dst_coded_frame_desc {
    int channel_count = 1;
    std::int32_t bytes_per_channel = 0;
    bool ptable_same_seg_as_filter = true;
    dst_segmentation_desc filter_seg;
    dst_segmentation_desc ptable_seg;     // written only when not the same as the filters'
    bool ptable_same_map_as_filter = true;
    dst_mapping_desc filter_map;
    dst_mapping_desc ptable_map;          // written only when not the same as the filters'
    std::vector<int> half_prob;           // per channel
    std::vector<dst_table_desc> filters;
    std::vector<dst_table_desc> ptables;
    std::vector<std::uint8_t> adata;      // the arithmetic code, first bit included
};

// Width of a count-dependent field: the number of binary digits of v, 0 for v < 1.
int dst_field_width(std::int64_t v);

// The fixed predictors of the table coding: index 0 for filters, 1 for probability tables.
const std::vector<std::int32_t>& dst_predictor(int kind, int method);
// The residual that predicted coding stores for entry i of values.
std::int64_t dst_predicted_residual(int kind, int method, const std::vector<std::int32_t>& values, std::size_t i);

void write_segmentation(dst_bit_writer& w, const dst_segmentation_desc& seg, int channel_count,
                        std::int32_t bytes_per_channel, int min_segment_bits);
void write_mapping(dst_bit_writer& w, const dst_mapping_desc& map, int channel_count);
void write_filter(dst_bit_writer& w, const dst_table_desc& filter);
void write_ptable(dst_bit_writer& w, const dst_table_desc& ptable);
// Everything from the coding flag to the last probability table.
void write_coded_header(dst_bit_writer& w, const dst_coded_frame_desc& frame);
// The whole frame; the code is followed by zeros up to the end of its last byte.
std::vector<std::uint8_t> coded_frame_bytes(const dst_coded_frame_desc& frame);

// A plain frame: flag 0, the ignored bit, 6 stuffing bits, then the DSD bytes.
std::vector<std::uint8_t> plain_frame_bytes(const std::vector<std::uint8_t>& dsd, unsigned ignored_bit = 0,
                                            unsigned stuffing = 0);

// The simplest coded frame: one segment per channel, every channel on filter 0 and
// probability table 0, no half-probability start unless asked.
dst_coded_frame_desc single_segment_frame(int channel_count, std::int32_t bytes_per_channel, dst_table_desc filter,
                                          dst_table_desc ptable, std::vector<std::uint8_t> adata,
                                          int half_prob = 0);
