// Checks a DSDIFF chunk tree against the rules this component requires and
// takes the stream properties from it.
#pragma once

#include "dsdiff/stream_properties.h"
#include "iff/iff_packet.h"

#include <functional>
#include <string>

// Receives the console lines validation writes (unknown channel identifiers).
using console_line_sink = std::function<void(const std::string& line)>;

// Reads the tree only, never the file; throws exception_io_data naming the
// first rule broken. `props` is meaningful only when it returns.
void validate_dsdiff(const iff_stream::iff_packet_container& root, stream_properties& props, const console_line_sink& console);
