#include "qvxhost/player/executable_path.h"

#include "util/exceptions.h"

#include <filesystem>
#include <system_error>

std::string executable_path()
{
    std::error_code error;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) throw exception_io("Cannot find the program's own path: " + error.message());
    return path.string();
}
