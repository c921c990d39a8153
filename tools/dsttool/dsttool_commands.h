// The two commands of dsttool. Both return the process exit status and print
// their own diagnostics; errors other than frame errors are thrown to main().
#pragma once

#include "dsttool_command_line.h"

#include <iosfwd>

// Plain-DSD DSDIFF to DST DSDIFF; prints a summary line on `report`.
int run_encode(const dsttool_command_line& cl, std::ostream& report);
// DST DSDIFF to raw interleaved DSD.
int run_decode(const dsttool_command_line& cl);
