// Local files through Win32 handles; paths are UTF-8, converted for the W calls.
#include "qvxhost/local_filesystem.h"
#include "qvxhost/utf8_paths.h"

#include "qvxhost/read_only_file.h"
#include "qvxhost/service_impl.h"
#include "qvxhost/windows_text.h"

#include <algorithm>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace {

class local_file_impl : public read_only_file {
public:
    explicit local_file_impl(HANDLE handle) : handle_(handle) {}
    ~local_file_impl() { CloseHandle(handle_); }
    local_file_impl(const local_file_impl&) = delete;
    local_file_impl& operator=(const local_file_impl&) = delete;

    std::size_t read(void* buffer, std::size_t bytes, abort_signal& abort) override
    {
        abort.check();
        auto* out = static_cast<unsigned char*>(buffer);
        std::size_t done = 0;
        while (done < bytes) {
            // ReadFile takes 32-bit counts; the position travels in the OVERLAPPED.
            const DWORD step = static_cast<DWORD>(std::min<std::size_t>(bytes - done, std::size_t{1} << 30));
            OVERLAPPED at{};
            at.Offset = static_cast<DWORD>(position_);
            at.OffsetHigh = static_cast<DWORD>(position_ >> 32);
            DWORD got = 0;
            if (!ReadFile(handle_, out + done, step, &got, &at)) {
                const DWORD error = GetLastError();
                if (error == ERROR_HANDLE_EOF) break;
                throw exception_io("Read error: " + windows_error_text(error));
            }
            if (got == 0) break;
            done += got;
            position_ += got;
        }
        return done;
    }

    std::uint64_t get_size(abort_signal& abort) override
    {
        abort.check();
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(handle_, &size)) throw exception_io("Cannot read file size: " + windows_error_text(GetLastError()));
        return static_cast<std::uint64_t>(size.QuadPart);
    }

    // Windows counts file times as the host does: 100-nanosecond ticks since 1601-01-01.
    std::uint64_t get_timestamp(abort_signal& abort) override
    {
        abort.check();
        FILETIME written{};
        if (!GetFileTime(handle_, nullptr, nullptr, &written))
            throw exception_io("Cannot read file status: " + windows_error_text(GetLastError()));
        return static_cast<std::uint64_t>(written.dwHighDateTime) << 32 | written.dwLowDateTime;
    }

private:
    HANDLE handle_;
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
    return make_service<local_file_impl>(handle);
}

std::FILE* open_utf8_file(const std::string& path, const char* mode)
{
    return _wfopen(utf8_to_utf16(path).c_str(), utf8_to_utf16(mode).c_str());
}
