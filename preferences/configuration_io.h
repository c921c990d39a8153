// The component's whole configuration as a stream of records:
// 16 GUID bytes, a 4-byte little-endian length, the value bytes.
#pragma once

#include "host/file.h"

// Writes every variable of the list (cfg_var::list_head), in list order.
void write_configuration(stream_writer& stream, abort_signal& abort);
// Reads records until the stream ends inside a GUID. A variable whose record
// is malformed keeps its value; records of unknown variables are skipped.
void read_configuration(stream_reader& stream, abort_signal& abort);
