// Local files through Win32 handles; paths are UTF-8, converted for the W calls.
#include "qvxhost/player/local_filesystem.h"
#include "qvxhost/player/utf8_paths.h"

#include "qvxhost/player/service_impl.h"
#include "qvxhost/player/windowed_file.h"
#include "qvxhost/player/windows_text.h"

#include <algorithm>
#include <utility>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace {

// An open file and, where the system gives one, its read-only mapping object (an empty file has
// none, and nothing to read either), both closed when it goes; what windowed_file needs of them.
class win32_file {
public:
    explicit win32_file(HANDLE handle)
        : handle_(handle), mapping_(CreateFileMappingW(handle, nullptr, PAGE_READONLY, 0, 0, nullptr))
    {
    }
    win32_file(win32_file&& other) noexcept
        : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)), mapping_(std::exchange(other.mapping_, nullptr))
    {
    }
    win32_file& operator=(win32_file&&) = delete;
    ~win32_file()
    {
        if (mapping_ != nullptr) CloseHandle(mapping_);
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }

    // While the view exists, Windows refuses to cut the file short, so the view cannot fault.
    const unsigned char* map(std::uint64_t start, std::size_t length) const
    {
        if (mapping_ == nullptr) return nullptr;
        return static_cast<const unsigned char*>(MapViewOfFile(mapping_, FILE_MAP_READ, static_cast<DWORD>(start >> 32),
                                                               static_cast<DWORD>(start), length));
    }

    static void unmap(const unsigned char* view, std::size_t) noexcept { UnmapViewOfFile(view); }

    std::size_t read_at(unsigned char* out, std::size_t bytes, std::uint64_t offset) const
    {
        std::size_t done = 0;
        while (done < bytes) {
            // ReadFile takes 32-bit counts; the position travels in the OVERLAPPED.
            const DWORD step = static_cast<DWORD>(std::min<std::size_t>(bytes - done, std::size_t{1} << 30));
            OVERLAPPED at{};
            at.Offset = static_cast<DWORD>(offset + done);
            at.OffsetHigh = static_cast<DWORD>((offset + done) >> 32);
            DWORD got = 0;
            if (!ReadFile(handle_, out + done, step, &got, &at)) {
                const DWORD error = GetLastError();
                if (error == ERROR_HANDLE_EOF) break;
                throw exception_io("Read error: " + windows_error_text(error));
            }
            if (got == 0) break;
            done += got;
        }
        return done;
    }

    // Windows counts file times as the host does: 100-nanosecond ticks since 1601-01-01.
    std::uint64_t timestamp() const
    {
        FILETIME written{};
        if (!GetFileTime(handle_, nullptr, nullptr, &written))
            throw exception_io("Cannot read file status: " + windows_error_text(GetLastError()));
        return static_cast<std::uint64_t>(written.dwHighDateTime) << 32 | written.dwLowDateTime;
    }

private:
    HANDLE handle_;
    HANDLE mapping_;
};

} // namespace

file_ptr open_local_file(const std::string& path, abort_signal& abort)
{
    abort.check();
    const std::wstring wide = utf8_to_utf16(path);
    HANDLE handle = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_ACCESS_DENIED) {
            // Directories open as "access denied" too; they are not files to read.
            const DWORD attributes = GetFileAttributesW(wide.c_str());
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
                throw exception_io("Cannot open " + path + ": Is a directory");
            throw exception_io_denied();
        }
        throw exception_io("Cannot open " + path + ": " + windows_error_text(error));
    }
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        throw exception_io("Cannot open " + path + ": not a regular file");
    }
    win32_file file(handle);
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handle, &size)) throw exception_io("Cannot read file size: " + windows_error_text(GetLastError()));
    return make_service<windowed_file<win32_file>>(std::move(file), static_cast<std::uint64_t>(size.QuadPart));
}

std::FILE* open_utf8_file(const std::string& path, const char* mode)
{
    return _wfopen(utf8_to_utf16(path).c_str(), utf8_to_utf16(mode).c_str());
}
