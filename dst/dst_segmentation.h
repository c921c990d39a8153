// The segmentation and mapping sections of a coded DST frame header, and their
// expansion into a table number for every byte of every channel.
#pragma once

#include <cstdint>

#include "dst/dst_bit_reader.h"
#include "dst/dst_frame_header.h"

// Reads one segmentation. max_segments is 4 (filters) or 8 (probability tables),
// min_segment_bits 1024 or 32. same_flag receives the same-for-all-channels bit.
void read_segmentation(dst_bit_reader& reader, dst_segmentation& seg, int channel_count,
                       std::int32_t bytes_per_channel, int max_segments, int min_segment_bits,
                       std::uint32_t& same_flag);

// Gives the probability tables the filters' segmentation, checked against the table limits.
void copy_segmentation(const dst_segmentation& from, dst_segmentation& to, int channel_count);

// Reads the table number of every segment into seg.segment_table and sets table_count.
void read_mapping(dst_bit_reader& reader, dst_segmentation& seg, int channel_count, int max_tables,
                  std::uint32_t& same_flag, std::int32_t& table_count);

// Gives the probability tables the filters' mapping.
void copy_mapping(const dst_segmentation& from, dst_segmentation& to, int channel_count,
                  std::int32_t from_count, int max_tables, std::int32_t& table_count);

// Fills of_byte (N × bytes_per_channel) with each byte's table number.
void expand_segmentation(const dst_segmentation& seg, int channel_count, dst_matrix<std::uint8_t>& of_byte);
