// One half of the symmetric 128-tap low-pass impulse response that turns DSD
// into PCM at one eighth of the DSD rate.
#pragma once

#include <array>

// Ordered from the centre outwards: coefficient 0 weights the two taps next to
// the centre, coefficient 63 the two outermost taps. The byte at distance i
// from the centre uses coefficients 8i … 8i+7, 8i for its bit nearest the
// centre. The values sum to 0.996960873, so the filter's gain at 0 Hz is
// 1.99392175.
extern const std::array<float, 64> fir_coefficients;
