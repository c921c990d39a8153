// A DSDIFF input read outside the component, through the player's local files: for its
// tags, markers and DSD, which the component does not deliver.
#pragma once

#include "dsdiff_file/dsdiff_file.h"

#include <memory>
#include <string>

// Opens and validates `path` as the component would; throws what opening or validation
// throws. Console lines (unknown channel identifiers) are left to the component, which
// reports them too.
std::unique_ptr<dsdiff_file> open_source_file(const std::string& path, abort_signal& abort);
