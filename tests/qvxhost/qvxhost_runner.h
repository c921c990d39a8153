// Runs the built qvxhost program and captures what it prints.
#pragma once

#include "program_runner.h"

inline std::string qvxhost_path() { return built_program("qvxhost"); }
inline std::string component_path() { return build_dir() + "/lib/qvx_input_dsdiff.so"; }

// Runs qvxhost with `arguments`; stdout and stderr go to files in `capture_dir`, stdin is empty.
inline program_result run_qvxhost(const std::vector<std::string>& arguments, const std::string& capture_dir)
{
    return run_program(qvxhost_path(), arguments, capture_dir);
}
