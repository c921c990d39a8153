// Counts the bytes the program holds through operator new, for tests that
// bound what an operation allocates. Linked into one test program only: it
// replaces the global operator new and delete.
#pragma once

#include <cstddef>

namespace allocation_counter {

// Bytes held now.
std::size_t current() noexcept;
// Starts a measurement: the peak is reset to what is held now.
void start() noexcept;
// Most bytes held at once since start(), above what was held at start().
std::size_t peak_since_start() noexcept;

} // namespace allocation_counter
