// Writes 8-bit RGB images as PNG (uncompressed deflate blocks): enough for
// test screenshots, with no image library.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// `rgb` holds width × height pixels, rows top to bottom, 3 bytes each.
// False when the file cannot be written.
bool write_png(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgb);
