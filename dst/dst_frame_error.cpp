#include "dst/dst_frame_error.h"

#include <stdexcept>

void throw_frame_error(const dst_bit_reader& reader, const char* message)
{
    throw std::runtime_error(reader.overran() ? dst_truncated_frame_message : message);
}
