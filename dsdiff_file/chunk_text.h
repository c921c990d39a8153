// Text fields of DSDIFF chunks ("EMID", "DIAR", "DITI", marker texts). The format
// leaves their character set open: UTF-8 is taken where the bytes are valid
// UTF-8, Latin-1 otherwise.
#pragma once

#include <cstdint>
#include <span>
#include <string>

// The text as UTF-8, trailing NUL bytes dropped.
std::string chunk_text(std::span<const std::uint8_t> bytes);
