// DSD's idle pattern: four ones and four zeros in a byte, zero mean. Wherever DSD must be
// made up (a frame cut short, a frame that failed, padding of a last block) it is this
// pattern, not zeros: a run of zeros is full-scale negative and is heard as a click.
#pragma once

#include <cstdint>

inline constexpr std::uint8_t dsd_silence_byte = 0x69;
