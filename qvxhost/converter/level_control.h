// What happens to the decoded samples' level on the way to a file: a gain, and
// for integer files the conversion to integers with TPDF dither, counting the
// samples that lie beyond full scale. The dither's generator starts from the
// same seed for every file, so that a file's output never depends on what else
// was converted with it or on which thread.
#pragma once

#include <cstdint>
#include <span>
#include <string>

class level_control {
public:
    // `bits`: 16 or 24 for integer output, 0 for float output (gain only).
    level_control(double gain_db, int bits);

    // Float output: the samples times the gain, into `out` (same size).
    void scale(std::span<const float> in, std::span<float> out) const;
    // Integer output: gain, dither, rounding and clipping to `bits`; the
    // results stand in the top `bits` bits of each 32-bit value, as libsndfile
    // takes integers whatever the file's depth.
    void quantize(std::span<const float> in, std::span<std::int32_t> out);

    bool is_unity() const noexcept { return factor_ == 1.0; }
    // Samples that lay beyond full scale after the gain and were clipped.
    std::uint64_t clipped() const noexcept { return clipped_; }
    // The largest magnitude after the gain, before clipping.
    double peak() const noexcept { return peak_; }
    double gain_db() const noexcept { return gain_db_; }

private:
    // Uniform in [0, 1): xorshift64*, which needs nothing but a seed to repeat exactly.
    double next_uniform() noexcept;

    double gain_db_;
    double factor_;
    int bits_;
    double scale_;   // 2^(bits - 1): full scale in steps
    double highest_; // the largest step, 2^(bits - 1) - 1
    std::uint64_t state_;
    std::uint64_t clipped_ = 0;
    double peak_ = 0;
};

// For a file with clipped samples: "N samples clipped; --gain G avoids it", G
// the whole decibels that bring its peak below full scale, counting the gain
// already given.
std::string clipping_hint(const level_control& levels);
