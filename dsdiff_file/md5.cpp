#include "dsdiff_file/md5.h"

#include <bit>
#include <cstring>

namespace {

constexpr std::array<std::uint32_t, 4> initial_state{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};

// floor(2^32 × |sin(i + 1)|), RFC 1321 section 3.4.
constexpr std::uint32_t sine_table[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
};

// Rotation amounts, four per round.
constexpr int shifts[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

std::uint32_t le32(const std::uint8_t* p)
{
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

} // namespace

md5::md5() : state_(initial_state) {}

void md5::compress(const std::uint8_t* block)
{
    std::uint32_t words[16];
    for (int i = 0; i < 16; ++i) words[i] = le32(block + 4 * i);
    std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
    for (int i = 0; i < 64; ++i) {
        const int round = i / 16;
        std::uint32_t f = 0;
        int word = 0;
        switch (round) {
        case 0: f = (b & c) | (~b & d), word = i; break;
        case 1: f = (d & b) | (~d & c), word = (5 * i + 1) % 16; break;
        case 2: f = b ^ c ^ d, word = (3 * i + 5) % 16; break;
        default: f = c ^ (b | ~d), word = (7 * i) % 16; break;
        }
        const std::uint32_t rotated = std::rotl(a + f + sine_table[i] + words[word], shifts[round][i % 4]);
        a = d;
        d = c;
        c = b;
        b += rotated;
    }
    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
}

void md5::update(std::span<const std::uint8_t> bytes)
{
    std::size_t used = static_cast<std::size_t>(length_ % 64);
    length_ += bytes.size();
    if (used != 0) {
        const std::size_t take = std::min(bytes.size(), 64 - used);
        std::memcpy(pending_.data() + used, bytes.data(), take);
        bytes = bytes.subspan(take);
        used += take;
        if (used < 64) return;
        compress(pending_.data());
    }
    for (; bytes.size() >= 64; bytes = bytes.subspan(64)) compress(bytes.data());
    if (!bytes.empty()) std::memcpy(pending_.data(), bytes.data(), bytes.size());
}

md5::digest md5::finish()
{
    // A one bit, zeros up to 56 bytes in the last block, then the length in bits, little-endian.
    const std::uint64_t bits = length_ * 8;
    std::uint8_t tail[72] = {0x80};
    const std::size_t used = static_cast<std::size_t>(length_ % 64);
    const std::size_t pad = used < 56 ? 56 - used : 120 - used;
    for (int i = 0; i < 8; ++i) tail[pad + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(bits >> (8 * i));
    update(std::span(tail, pad + 8));

    digest out;
    for (int i = 0; i < 4; ++i)
        for (int k = 0; k < 4; ++k) out[static_cast<std::size_t>(4 * i + k)] = static_cast<std::uint8_t>(state_[static_cast<std::size_t>(i)] >> (8 * k));
    state_ = initial_state;
    length_ = 0;
    return out;
}

std::string md5::hex(const digest& value)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string text;
    for (const std::uint8_t byte : value) {
        text += digits[byte >> 4];
        text += digits[byte & 15];
    }
    return text;
}
