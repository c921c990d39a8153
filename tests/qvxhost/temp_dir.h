// A fresh directory for one test's files, removed with everything in it afterwards.
#pragma once

#include "scratch_dir.h"

#include <string>

class temp_dir : public scratch_dir {
public:
    temp_dir() : scratch_dir("qvxhost_test") {}

    std::string file(const std::string& name) const { return path(name); }
};
