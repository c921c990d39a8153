// A fresh directory for one test's files, removed with everything in it afterwards.
#pragma once

#include <filesystem>
#include <random>
#include <string>

class temp_dir {
public:
    temp_dir()
    {
        std::random_device seed;
        path_ = std::filesystem::temp_directory_path() / ("qvxhost_test_" + std::to_string(seed()));
        std::filesystem::create_directories(path_);
    }
    ~temp_dir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    temp_dir(const temp_dir&) = delete;
    temp_dir& operator=(const temp_dir&) = delete;

    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};
