#include "dst/dst_arith_decoder.h"

#include "dst/dst_code_end.h"

void dst_arith_decoder::restart()
{
    needs_init = 0;
    range = 4095;
    code = 0;
    read_pos = 1;
    for (int i = 0; i < 12; ++i)
        code = 2 * code + next_code_bit();
}

int dst_arith_decoder::decode_bit(std::uint32_t p)
{
    if (needs_init == 1)
        restart();
    const std::uint32_t q = dst_arith_split(range, p);
    const std::uint32_t h = range - q;
    int bit = 0;
    if (code >= h) {
        bit = 1;
        code -= h;
        range = q;
    } else {
        range = h;
    }
    while (range < 2048) {
        range = 2 * range;
        code = 2 * code + next_code_bit();
    }
    return bit;
}

bool dst_arith_decoder::finish()
{
    needs_init = 1;
    return code_ends_wrongly(read_pos, adata_length, [this](std::int64_t pos) { return adata[pos]; });
}
