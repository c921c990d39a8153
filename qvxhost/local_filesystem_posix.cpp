// Local files through POSIX descriptors. Positions and sizes are 64-bit
// (off_t is 64 bits wide on the targets we build for, and checked below).
#include "qvxhost/local_filesystem.h"

#include "qvxhost/read_only_file.h"
#include "qvxhost/service_impl.h"

#include <cerrno>
#include <cstring>
#include <limits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

static_assert(sizeof(off_t) == 8, "local files need 64-bit offsets");

namespace {

std::string system_reason(int error) { return std::strerror(error); }

class local_file_impl : public read_only_file {
public:
    // The size is taken once, at open: the host opens files for reading, and
    // every seek checks against it, which would otherwise cost a system call.
    local_file_impl(int descriptor, std::uint64_t size) : descriptor_(descriptor), size_(size) {}
    ~local_file_impl() { ::close(descriptor_); }
    local_file_impl(const local_file_impl&) = delete;
    local_file_impl& operator=(const local_file_impl&) = delete;

    std::size_t read(void* buffer, std::size_t bytes, abort_signal& abort) override
    {
        abort.check();
        auto* out = static_cast<unsigned char*>(buffer);
        std::size_t done = 0;
        while (done < bytes) {
            // Bounded steps: one pread may transfer less than asked on large requests anyway.
            const std::size_t step = std::min<std::size_t>(bytes - done, std::size_t{1} << 30);
            const ssize_t got = ::pread(descriptor_, out + done, step, static_cast<off_t>(position_));
            if (got < 0) {
                if (errno == EINTR) continue;
                throw exception_io("Read error: " + system_reason(errno));
            }
            if (got == 0) break;
            done += static_cast<std::size_t>(got);
            position_ += static_cast<std::uint64_t>(got);
        }
        return done;
    }

    std::uint64_t get_size(abort_signal& abort) override
    {
        abort.check();
        return size_;
    }

    std::uint64_t get_position(abort_signal& abort) override
    {
        abort.check();
        return position_;
    }

    void seek(std::uint64_t position, abort_signal& abort) override
    {
        if (position > get_size(abort)) throw exception_io_data_truncation("Seek beyond end of file");
        position_ = position;
    }

    bool can_seek() override { return true; }

    // Modification time in 100-nanosecond ticks since 1601-01-01, as the host counts.
    std::uint64_t get_timestamp(abort_signal& abort) override
    {
        abort.check();
        const struct stat st = status();
        constexpr std::uint64_t ticks_per_second = 10'000'000;
        constexpr std::uint64_t seconds_1601_to_1970 = 11'644'473'600;
        return (static_cast<std::uint64_t>(st.st_mtim.tv_sec) + seconds_1601_to_1970) * ticks_per_second +
               static_cast<std::uint64_t>(st.st_mtim.tv_nsec) / 100;
    }

    void reopen(abort_signal& abort) override
    {
        abort.check();
        position_ = 0;
    }

private:
    struct stat status() const
    {
        struct stat st{};
        if (::fstat(descriptor_, &st) != 0) throw exception_io("Cannot read file status: " + system_reason(errno));
        return st;
    }

    int descriptor_;
    std::uint64_t size_;
    std::uint64_t position_ = 0;
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
    struct stat st{};
    if (::fstat(descriptor, &st) != 0 || !S_ISREG(st.st_mode)) {
        // Directories and devices are not files the component can read as a whole.
        const int error = S_ISDIR(st.st_mode) ? EISDIR : errno;
        ::close(descriptor);
        throw exception_io("Cannot open " + path + ": " + system_reason(error != 0 ? error : EINVAL));
    }
    return make_service<local_file_impl>(descriptor, static_cast<std::uint64_t>(st.st_size));
}
