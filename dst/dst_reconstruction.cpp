#include "dst/dst_reconstruction.h"

#include <cstdlib>

#include "dst/dst_arith_decoder.h"

std::uint32_t first_bit_probability(std::int32_t first_coefficient)
{
    const auto low7 = static_cast<std::uint32_t>(first_coefficient) & 0x7Fu;
    std::uint32_t mirrored = 0;
    for (int b = 0; b < 7; ++b)
        mirrored |= ((low7 >> b) & 1u) << (6 - b);
    return mirrored + 1;
}

void dst_reference_work::create(const dst_geometry& g)
{
    const auto n = static_cast<std::size_t>(g.channel_count);
    const auto bits = static_cast<std::size_t>(g.bits_per_channel);
    ring_pos.assign(n, 0);
    bit_history.assign(n, dst_geometry::max_filter_order);
    dsd_bits.assign(n, bits);
    residual_bits.assign(n, bits);
    predictions.assign(n, bits);
    adata.assign(static_cast<std::size_t>(g.max_adata_bits), 0);
}

void dst_reference_work::release()
{
    std::vector<std::int32_t>().swap(ring_pos);
    bit_history.release();
    dsd_bits.release();
    residual_bits.release();
    predictions.release();
    std::vector<std::uint8_t>().swap(adata);
}

int reconstruct_reference(const dst_frame_header& header, std::int64_t adata_length, dst_reference_work& work,
                          std::uint8_t* out, std::int64_t& code_bits_read)
{
    const dst_geometry& g = header.geometry;
    const int n = g.channel_count;

    dst_arith_decoder arith;
    arith.attach(work.adata.data(), adata_length);
    work.discarded_bit = static_cast<std::uint8_t>(arith.decode_bit(first_bit_probability(header.filter_coef(0, 0))));

    // The assumed past before the first bit: −1, +1, −1, … counted backwards.
    for (int ch = 0; ch < n; ++ch) {
        const auto c = static_cast<std::size_t>(ch);
        for (std::size_t i = 0; i < dst_geometry::max_filter_order; ++i)
            work.bit_history(c, i) = (i % 2 == 0) ? -1 : 1;
        work.ring_pos[c] = 0;
    }

    for (std::int32_t j = 0; j < g.bits_per_channel; ++j) {
        const auto bit = static_cast<std::size_t>(j);
        const auto byte = static_cast<std::size_t>(j / 8);
        for (int ch = 0; ch < n; ++ch) {
            const auto c = static_cast<std::size_t>(ch);
            auto history = work.bit_history.row(c);
            std::int32_t& ring_pos = work.ring_pos[c];

            // |sum| ≤ 128 × 256: no overflow in 32 bits.
            const auto f = static_cast<std::size_t>(header.filter_of_byte(c, byte));
            const auto coef = header.filter_coef.row(f);
            std::int32_t prediction = 0;
            for (std::int32_t k = 0; k < header.filter_order[f]; ++k)
                prediction += coef[static_cast<std::size_t>(k)] *
                              history[static_cast<std::size_t>((ring_pos + k) % dst_geometry::max_filter_order)];
            work.predictions(c, bit) = prediction;

            std::uint32_t p = 128;
            if (!(header.half_prob[c] == 1 && j < header.half_prob_bits[c])) {
                const auto t = static_cast<std::size_t>(header.ptable_of_byte(c, byte));
                std::int32_t index = std::abs(prediction) >> 3;
                if (index >= header.ptable_length[t])
                    index = header.ptable_length[t] - 1;
                p = static_cast<std::uint32_t>(header.ptables(t, static_cast<std::size_t>(index)));
            }

            const int residual = arith.decode_bit(p);
            work.residual_bits(c, bit) = static_cast<std::uint8_t>(residual);
            const std::int8_t predicted = prediction >= 0 ? 1 : -1;
            const auto value = static_cast<std::int8_t>(residual == 0 ? predicted : -predicted);
            work.dsd_bits(c, bit) = value;

            ring_pos = ring_pos == 0 ? dst_geometry::max_filter_order - 1 : ring_pos - 1;
            history[static_cast<std::size_t>(ring_pos)] = value;
        }
    }

    code_bits_read = arith.read_pos;
    if (arith.finish())
        return 1;
    pack_dsd_bits(work.dsd_bits, n, g.bytes_per_channel, out);
    return 0;
}

void pack_dsd_bits(const dst_matrix<std::int8_t>& dsd_bits, int channel_count, std::int32_t bytes_per_channel,
                   std::uint8_t* out)
{
    for (int ch = 0; ch < channel_count; ++ch) {
        const auto bits = dsd_bits.row(static_cast<std::size_t>(ch));
        for (std::int32_t k = 0; k < bytes_per_channel; ++k) {
            unsigned byte = 0;
            for (int b = 0; b < 8; ++b)
                byte = (byte << 1) | (bits[static_cast<std::size_t>(8 * k + b)] == 1 ? 1u : 0u);
            out[static_cast<std::size_t>(k) * static_cast<std::size_t>(channel_count) + static_cast<std::size_t>(ch)] =
                static_cast<std::uint8_t>(byte);
        }
    }
}
