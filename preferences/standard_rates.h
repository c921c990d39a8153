// The sample rates every history offers, ascending.
#pragma once

#include <array>
#include <cstdint>

inline constexpr std::array<std::int32_t, 13> standard_rates = {8000,  11025, 16000, 22050, 24000,  32000, 44100,
                                                                48000, 64000, 88200, 96000, 176400, 192000};
