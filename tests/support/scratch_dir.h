// A fresh directory for one test's files under the system's temporary directory,
// removed with everything in it. A random suffix: several build trees may run the
// same tests at once.
#pragma once

#include <filesystem>
#include <random>
#include <string>

class scratch_dir {
public:
    explicit scratch_dir(const std::string& name)
    {
        std::random_device entropy;
        dir = std::filesystem::temp_directory_path() / ("qvx_" + name + "_" + std::to_string(entropy()));
        std::filesystem::create_directories(dir);
    }
    ~scratch_dir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
    scratch_dir(const scratch_dir&) = delete;
    scratch_dir& operator=(const scratch_dir&) = delete;

    std::string path(const std::string& file) const { return (dir / file).string(); }
    std::string operator/(const std::string& file) const { return path(file); }

private:
    std::filesystem::path dir;
};

