// Reads a DST frame as a string of bits, most significant bit of each byte first.
// The reader keeps its own copy of the frame. Reading past the end never touches
// memory beyond the copy: the missing bits read as 0 while the count of requested
// bits keeps growing, so callers can tell afterwards how far a frame overran.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

class dst_bit_reader {
public:
    // Replaces the frame copy (reusing its storage) and rewinds to the first bit.
    void load_frame(std::span<const std::uint8_t> frame);
    void release();

    // Returns n bits (0..32) as an unsigned value, first bit most significant.
    // Throws "a negative number of bits allocated" for n < 0.
    std::uint32_t read_bits(int n);
    // Stores n single bits in dest, one per byte (0 or 1).
    void read_bit_array(std::int64_t n, std::uint8_t* dest);

    // Bits requested since load_frame, including those requested past the end.
    std::int64_t bits_consumed() const { return bits_consumed_; }
    std::int64_t frame_bits() const { return 8 * static_cast<std::int64_t>(frame_copy_.size()); }
    bool exhausted() const { return bits_consumed_ >= frame_bits(); }
    bool overran() const { return bits_consumed_ > frame_bits(); }
    std::span<const std::uint8_t> frame() const { return frame_copy_; }

private:
    std::uint32_t next_bit();

    std::vector<std::uint8_t> frame_copy_;
    std::int64_t byte_pos_ = 0;        // next byte to load
    std::int64_t bits_consumed_ = 0;
    int bit_index_ = -1;               // next bit of current_byte_, 7..0; -1: none loaded
    std::uint8_t current_byte_ = 0;
};

// 0 for v < 1, else the number of binary digits of v. Widths of count-dependent fields.
int bit_length(std::int64_t v);
