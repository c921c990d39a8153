#include "qvxhost/converter/file_identity.h"

#include <sys/stat.h>

std::optional<file_identity> identify_file(const std::filesystem::path& path)
{
    struct stat status{};
    if (::stat(path.c_str(), &status) != 0) return std::nullopt;
    return file_identity{static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

bool is_stream_device(const std::filesystem::path& path)
{
    struct stat status{};
    if (::stat(path.c_str(), &status) != 0) return false;
    return S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode) || S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode);
}
