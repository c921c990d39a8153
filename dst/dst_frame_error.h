// Errors found while parsing a DST frame. A frame cut short reads as zeros from its end
// on, and those zeros usually trip some field check; the message then names the real
// fault, the missing bits, rather than the field that happened to be read as zero.
#pragma once

#include "dst/dst_bit_reader.h"

inline constexpr const char* dst_truncated_frame_message = "Frame ends inside its header or tables!";

[[noreturn]] void throw_frame_error(const dst_bit_reader& reader, const char* message);
