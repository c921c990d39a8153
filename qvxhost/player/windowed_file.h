// A local file read through a window of it mapped into memory, the same on every system: walking
// the many small chunk headers of a long DST file then costs no system call each (under Wine, a
// ReadFile per header took a one-hour file seconds to open). The window moves along, so what stays
// mapped is bounded.
#pragma once

#include "qvxhost/player/read_only_file.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

// What a system's open file gives the window (see local_filesystem_posix.cpp and _win32.cpp):
//   const unsigned char* map(std::uint64_t start, std::size_t length): a read-only view of those
//       bytes, start a multiple of window_size; nullptr where the system refuses one;
//   void unmap(const unsigned char* view, std::size_t length) noexcept;
//   std::size_t read_at(unsigned char* out, std::size_t bytes, std::uint64_t offset): straight from
//       the file, fewer bytes only at its end; throws exception_io;
//   std::uint64_t timestamp(): the modification time in 100-nanosecond ticks since 1601-01-01.
template <class system_file>
class windowed_file : public read_only_file {
public:
    // The size is taken once, at open: the host opens files for reading, and every seek checks
    // against it, which would otherwise cost a system call. (Like any mapping, the window assumes
    // that no other program cuts the file short meanwhile.)
    windowed_file(system_file opened, std::uint64_t size) : file_(std::move(opened)), size_(size) {}
    // The view goes before the file that it maps closes.
    ~windowed_file() { unmap_window(); }
    windowed_file(const windowed_file&) = delete;
    windowed_file& operator=(const windowed_file&) = delete;

    std::size_t read(void* buffer, std::size_t bytes, abort_signal& abort) override
    {
        abort.check();
        auto* out = static_cast<unsigned char*>(buffer);
        const std::uint64_t left = position_ < size_ ? size_ - position_ : 0;
        const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(bytes, left));
        std::size_t done = 0;
        const std::uint64_t start = position_;
        while (done < count) {
            if (!map_window_at(position_)) {
                const std::size_t got = file_.read_at(out + done, count - done, position_);
                position_ += got;
                return done + got;
            }
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

    std::uint64_t get_timestamp(abort_signal& abort) override
    {
        abort.check();
        return file_.timestamp();
    }

    // 2 MiB: a multiple of every page size and of Windows' 64 KiB mapping granularity, few enough
    // mappings for a walk over a long file's headers, and little beside the decoder's own memory.
    static constexpr std::uint64_t window_size = std::uint64_t{1} << 21;

private:
    // Maps the window holding `offset`; false where the system refuses a mapping.
    bool map_window_at(std::uint64_t offset)
    {
        if (window_ != nullptr && offset >= window_start_ && offset < window_end_) return true;
        unmap_window();
        const std::uint64_t start = offset - offset % window_size;
        const std::uint64_t length = std::min<std::uint64_t>(window_size, size_ - start);
        window_ = file_.map(start, static_cast<std::size_t>(length));
        if (window_ == nullptr) return false;
        window_start_ = start;
        window_end_ = start + length;
        return true;
    }

    void unmap_window() noexcept
    {
        if (window_ != nullptr) file_.unmap(window_, static_cast<std::size_t>(window_end_ - window_start_));
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

    system_file file_;
    std::uint64_t size_;
    const unsigned char* window_ = nullptr;
    std::uint64_t window_start_ = 0;
    std::uint64_t window_end_ = 0;
    std::uint64_t last_start_ = 0;   // of the last read
    std::uint64_t last_stride_ = 0;  // from the read before it
};
