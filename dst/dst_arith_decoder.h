// The binary arithmetic decoder of DST in its plain form: 12-bit range, code bits
// shifted in one at a time from a one-bit-per-byte array, reading 0 past its end.
// The fast forms state the same arithmetic their own way, in local registers for a whole
// frame: the wide form (dst_fast_reconstruction.cpp) shifts bits in from the packed code,
// the lookahead form (dst_lookahead_kernel.h) looks its normalisations up in a table and
// keeps the code bits waiting in one register. The tests hold all three to identical results.
#pragma once

#include <cstdint>

// q, the part of the range given to a 1 bit of probability p/256 (p in 1..128): p times the
// top four bits of the range, the lowest of them also set when bit 7 of the range is set.
constexpr std::uint32_t dst_arith_split(std::uint32_t range, std::uint32_t p)
{
    return p * ((range >> 8) | ((range >> 7) & 1u));
}

struct dst_arith_decoder {
    std::uint32_t needs_init = 1;  // 1: the next decode_bit restarts first
    std::uint32_t code = 0;        // C; below range in a valid code, unsigned 32-bit arithmetic
    std::uint32_t range = 0;       // A; 2048..4095 between steps
    std::int64_t read_pos = 0;     // next code bit to shift in

    const std::uint8_t* adata = nullptr;  // one code bit per byte; adata[0] is never shifted in
    std::int64_t adata_length = 0;

    void attach(const std::uint8_t* code_bits, std::int64_t length)
    {
        adata = code_bits;
        adata_length = length;
        needs_init = 1;
    }

    void restart();
    // One decoded bit (0 or 1) for the probability p/256 of a 1, p in 1..128.
    int decode_bit(std::uint32_t p);
    // Ends the code; true when it ended wrongly: more than 7 bits never shifted in, or a 1 among them.
    bool finish();

private:
    std::uint32_t next_code_bit()
    {
        const std::int64_t pos = read_pos++;
        return pos < adata_length ? adata[pos] : 0u;
    }
};
