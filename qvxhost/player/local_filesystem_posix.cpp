// Local files through POSIX descriptors. Positions and sizes are 64-bit
// (off_t is 64 bits wide on the targets we build for, and checked below).
#include "qvxhost/player/local_filesystem.h"
#include "qvxhost/player/utf8_paths.h"

#include "qvxhost/player/service_impl.h"
#include "qvxhost/player/windowed_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

static_assert(sizeof(off_t) == 8, "local files need 64-bit offsets");

namespace {

std::string system_reason(int error) { return std::strerror(error); }

// An open descriptor, closed when it goes; what windowed_file needs of it.
class posix_file {
public:
    explicit posix_file(int descriptor) : descriptor_(descriptor) {}
    posix_file(posix_file&& other) noexcept : descriptor_(std::exchange(other.descriptor_, -1)) {}
    posix_file& operator=(posix_file&&) = delete;
    ~posix_file()
    {
        if (descriptor_ >= 0) ::close(descriptor_);
    }

    const unsigned char* map(std::uint64_t start, std::size_t length) const
    {
        // Populated at once: one call maps the window's pages instead of a page
        // fault every few headers.
        void* view = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE | MAP_POPULATE, descriptor_, static_cast<off_t>(start));
        return view == MAP_FAILED ? nullptr : static_cast<const unsigned char*>(view);
    }

    static void unmap(const unsigned char* view, std::size_t length) noexcept
    {
        ::munmap(const_cast<unsigned char*>(view), length);
    }

    std::size_t read_at(unsigned char* out, std::size_t bytes, std::uint64_t offset) const
    {
        std::size_t done = 0;
        while (done < bytes) {
            // Bounded steps: one pread may transfer less than asked on large requests anyway.
            const std::size_t step = std::min<std::size_t>(bytes - done, std::size_t{1} << 30);
            const ssize_t got = ::pread(descriptor_, out + done, step, static_cast<off_t>(offset + done));
            if (got < 0) {
                if (errno == EINTR) continue;
                throw exception_io("Read error: " + system_reason(errno));
            }
            if (got == 0) break;
            done += static_cast<std::size_t>(got);
        }
        return done;
    }

    std::uint64_t timestamp() const
    {
        const struct stat st = status();
        constexpr std::uint64_t ticks_per_second = 10'000'000;
        constexpr std::uint64_t seconds_1601_to_1970 = 11'644'473'600;
        return (static_cast<std::uint64_t>(st.st_mtim.tv_sec) + seconds_1601_to_1970) * ticks_per_second +
               static_cast<std::uint64_t>(st.st_mtim.tv_nsec) / 100;
    }

private:
    struct stat status() const
    {
        struct stat st{};
        if (::fstat(descriptor_, &st) != 0) throw exception_io("Cannot read file status: " + system_reason(errno));
        return st;
    }

    int descriptor_;
};

} // namespace

file_ptr open_local_file(const std::string& path, abort_signal& abort)
{
    abort.check();
    int descriptor;
    do {
        descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    } while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0) {
        const int error = errno;
        if (error == EACCES || error == EPERM) throw exception_io_denied();
        throw exception_io("Cannot open " + path + ": " + system_reason(error));
    }
    posix_file file(descriptor);
    struct stat st{};
    if (::fstat(descriptor, &st) != 0 || !S_ISREG(st.st_mode)) {
        // Directories and devices are not files the component can read as a whole.
        const int error = S_ISDIR(st.st_mode) ? EISDIR : errno;
        throw exception_io("Cannot open " + path + ": " + system_reason(error != 0 ? error : EINVAL));
    }
    return make_service<windowed_file<posix_file>>(std::move(file), static_cast<std::uint64_t>(st.st_size));
}

std::FILE* open_utf8_file(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }
