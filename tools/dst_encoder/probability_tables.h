// Probability tables from residual statistics: entry i holds the chance (in
// 1/256, 1..128) that a bit whose |prediction| >> 3 is i (or, for the last
// entry, at least i) is predicted wrongly.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace dst_encoder {

inline constexpr int max_ptable_length = 64;

struct residual_statistics {
    std::array<long, max_ptable_length> count{};
    std::array<long, max_ptable_length> wrong{};

    void add(std::int32_t prediction, int residual)
    {
        const std::uint32_t magnitude = prediction < 0 ? 0U - static_cast<std::uint32_t>(prediction)
                                                       : static_cast<std::uint32_t>(prediction);
        const std::size_t bin = std::min<std::uint32_t>(magnitude >> 3, max_ptable_length - 1);
        ++count[bin];
        wrong[bin] += residual;
    }
};

// A table of at most `max_length` entries (1..64). Its length ends at the last
// bin that saw a prediction, but is at least 2 unless max_length is 1 (a table
// of length 1 always holds 128). Bins without data take their neighbour's value.
std::vector<int> build_probability_table(const residual_statistics& stats, int max_length);

// Index of the entry used for a prediction, as the decoder picks it.
inline std::size_t ptable_index(std::int32_t prediction, std::size_t length)
{
    const std::uint32_t magnitude = prediction < 0 ? 0U - static_cast<std::uint32_t>(prediction)
                                                   : static_cast<std::uint32_t>(prediction);
    return std::min<std::size_t>(magnitude >> 3, length - 1);
}

} // namespace dst_encoder
