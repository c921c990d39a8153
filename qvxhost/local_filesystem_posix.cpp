// Local files through POSIX descriptors. Positions and sizes are 64-bit
// (off_t is 64 bits wide on the targets we build for, and checked below).
#include "qvxhost/local_filesystem.h"
#include "qvxhost/utf8_paths.h"

#include "qvxhost/read_only_file.h"
#include "qvxhost/service_impl.h"

#include <cerrno>
#include <cstring>
#include <limits>

#include <fcntl.h>
#include <sys/mman.h>
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
    ~local_file_impl()
    {
        unmap_window();
        ::close(descriptor_);
    }
    local_file_impl(const local_file_impl&) = delete;
    local_file_impl& operator=(const local_file_impl&) = delete;

    // Reads copy from a window of the file mapped into memory, so walking the
    // many small chunk headers of a long DST file costs no system call each;
    // the window moves along, so what stays mapped is bounded. (Like any
    // mapping, it assumes no other program cuts the file short meanwhile.)
    std::size_t read(void* buffer, std::size_t bytes, abort_signal& abort) override
    {
        abort.check();
        auto* out = static_cast<unsigned char*>(buffer);
        const std::uint64_t left = position_ < size_ ? size_ - position_ : 0;
        const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(bytes, left));
        std::size_t done = 0;
        const std::uint64_t start = position_;
        while (done < count) {
            if (!map_window_at(position_)) return done + read_direct(out + done, count - done);
            const std::size_t step = static_cast<std::size_t>(std::min<std::uint64_t>(count - done, window_end_ - position_));
            std::memcpy(out + done, window_ + (position_ - window_start_), step);
            done += step;
            position_ += step;
        }
        prefetch_after(start, count);
        return done;
    }

    std::uint64_t get_size(abort_signal& abort) override
    {
        abort.check();
        return size_;
    }

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

private:
    struct stat status() const
    {
        struct stat st{};
        if (::fstat(descriptor_, &st) != 0) throw exception_io("Cannot read file status: " + system_reason(errno));
        return st;
    }

    // Maps the window holding `offset`; false where the system refuses a mapping.
    bool map_window_at(std::uint64_t offset)
    {
        if (window_ != nullptr && offset >= window_start_ && offset < window_end_) return true;
        unmap_window();
        const std::uint64_t start = offset - offset % window_size;
        const std::uint64_t length = std::min<std::uint64_t>(window_size, size_ - start);
        // Populated at once: one call maps the window's pages instead of a page
        // fault every few headers.
        void* view = ::mmap(nullptr, static_cast<std::size_t>(length), PROT_READ, MAP_PRIVATE | MAP_POPULATE, descriptor_,
                            static_cast<off_t>(start));
        if (view == MAP_FAILED) return false;
        window_ = static_cast<const unsigned char*>(view);
        window_start_ = start;
        window_end_ = start + length;
        return true;
    }

    void unmap_window() noexcept
    {
        if (window_ != nullptr) ::munmap(const_cast<unsigned char*>(window_), static_cast<std::size_t>(window_end_ - window_start_));
        window_ = nullptr;
    }

    // A walk over a file's chunk headers reads a few bytes at a nearly steady stride (a long
    // DST file: one "DSTF" header every 4 KB or so), and each header would wait for memory
    // on its own. When the last two strides of small reads agree within an eighth, the
    // lines where the header after next should lie, widened by twice the strides'
    // difference, are prefetched: their wait then overlaps with the reader's work.
    void prefetch_after(std::uint64_t start, std::size_t count)
    {
        constexpr std::uint64_t line = 64;
        constexpr std::uint64_t largest_stride = 1 << 16;
        constexpr std::uint64_t most_lines = 16;
        const std::uint64_t stride = start - last_start_;
        const std::uint64_t drift = stride > last_stride_ ? stride - last_stride_ : last_stride_ - stride;
        last_start_ = start;
        last_stride_ = stride;
        // A backward step wraps to a huge stride.
        if (window_ == nullptr || count > line || stride == 0 || stride > largest_stride || drift > stride / 8)
            return;
        const std::uint64_t expected = start + 2 * stride;
        const std::uint64_t spread = std::min(2 * drift + line, most_lines / 2 * line);
        for (std::uint64_t at = expected - spread; at <= expected + spread; at += line)
            if (at >= window_start_ && at < window_end_) __builtin_prefetch(window_ + (at - window_start_));
    }

    std::size_t read_direct(unsigned char* out, std::size_t bytes)
    {
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

    // 2 MiB: a multiple of every page size, few enough mappings for a walk over a long file's
    // headers, and little beside the decoder's own memory (the window's pages are resident).
    static constexpr std::uint64_t window_size = std::uint64_t{1} << 21;

    int descriptor_;
    std::uint64_t size_;
    const unsigned char* window_ = nullptr;
    std::uint64_t window_start_ = 0;
    std::uint64_t window_end_ = 0;
    std::uint64_t last_start_ = 0;   // of the last read
    std::uint64_t last_stride_ = 0;  // from the read before it
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

std::FILE* open_utf8_file(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }
