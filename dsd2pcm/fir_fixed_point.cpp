#include "dsd2pcm/fir_fixed_point.h"

#include <cmath>

bool to_fir_fixed_point(float value, std::int64_t& fixed)
{
    const double scaled = std::ldexp(static_cast<double>(value), fir_fixed_point_bits);
    if (!(std::fabs(scaled) < 0x1p53) || scaled != std::trunc(scaled)) return false;
    fixed = static_cast<std::int64_t>(scaled);
    return true;
}
