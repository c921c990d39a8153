// Random coded DST frames of valid syntax, for comparing decoders: random segmentations
// and mappings, filters of any order with ordinary or extreme coefficients, random
// probability tables, plain and predicted coding, and a random arithmetic code.
#pragma once

#include <cstdint>
#include <random>

#include "dst_frame_writer.h"

struct dst_random_frame_options {
    int first_filter_order = 0;   // order of filter 0 (1..128); 0 picks one at random
};

dst_coded_frame_desc random_coded_frame(std::mt19937& rng, int channel_count, std::int32_t bytes_per_channel,
                                        const dst_random_frame_options& options = {});

// A random arithmetic code of `length` bits (first bit 0): random, all zeros, all ones or sparse.
std::vector<std::uint8_t> random_adata(std::mt19937& rng, std::int64_t length);
