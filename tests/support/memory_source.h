// Files over DSDIFF byte images, for tests that open them through the host's
// file interface.
#pragma once

#include "dsdiff_writer.h"
#include "tests/doubles/memory_file.h"
#include "qvxhost/player/service_impl.h"

inline service_ptr_t<file> memory_source(std::vector<std::uint8_t> bytes)
{
    return make_service<memory_file_impl>(std::move(bytes));
}
