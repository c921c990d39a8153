#include "qvxhost/converter/file_identity.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

std::optional<file_identity> identify_file(const std::filesystem::path& path)
{
    // No access rights are needed to ask; backup semantics let a folder be opened too.
    const HANDLE handle = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION information{};
    const BOOL known = GetFileInformationByHandle(handle, &information);
    CloseHandle(handle);
    if (!known) return std::nullopt;
    return file_identity{information.dwVolumeSerialNumber,
                         std::uint64_t{information.nFileIndexHigh} << 32 | information.nFileIndexLow};
}

bool is_stream_device(const std::filesystem::path& path)
{
    const HANDLE handle = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    const DWORD type = GetFileType(handle);
    CloseHandle(handle);
    return type == FILE_TYPE_CHAR || type == FILE_TYPE_PIPE;
}
