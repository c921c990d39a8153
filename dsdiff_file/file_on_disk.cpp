#include "dsdiff_file/file_on_disk.h"

#include "host/service_impl.h"

#include <fstream>

namespace {

class file_on_disk : public file {
public:
    explicit file_on_disk(const std::filesystem::path& path) : stream_(path, std::ios::binary)
    {
        if (!stream_) throw exception_io("Cannot open " + path.string());
        stream_.seekg(0, std::ios::end);
        size_ = static_cast<std::uint64_t>(stream_.tellg());
        stream_.seekg(0);
    }

    std::size_t read(void* buffer, std::size_t bytes, abort_signal&) override
    {
        if (position_ >= size_) return 0;
        const auto wanted = static_cast<std::streamsize>(std::min<std::uint64_t>(bytes, size_ - position_));
        stream_.clear();
        stream_.seekg(static_cast<std::streamoff>(position_));
        stream_.read(static_cast<char*>(buffer), wanted);
        const auto got = static_cast<std::size_t>(stream_.gcount());
        if (got == 0) throw exception_io("Cannot read at byte " + std::to_string(position_));
        position_ += got;
        return got;
    }
    void write(const void*, std::size_t, abort_signal&) override { throw exception_io_denied(); }
    std::uint64_t get_size(abort_signal&) override { return size_; }
    std::uint64_t get_position(abort_signal&) override { return position_; }
    void resize(std::uint64_t, abort_signal&) override { throw exception_io_denied(); }
    void seek(std::uint64_t position, abort_signal&) override { position_ = position; }
    bool can_seek() override { return true; }
    bool get_content_type(string_base&) override { return false; }
    bool is_remote() override { return false; }
    std::uint64_t get_timestamp(abort_signal&) override { return 0; }
    void reopen(abort_signal&) override { position_ = 0; }
    void on_idle(abort_signal&) override {}
    bool service_query(service_ptr_t<service_base>& out, const guid& interface_guid) override
    {
        return query_interfaces<file, stream_reader>(this, out, interface_guid);
    }

private:
    std::ifstream stream_;
    std::uint64_t size_ = 0;
    std::uint64_t position_ = 0;
};

class never_aborted_signal final : public abort_signal {
public:
    bool is_aborting() const override { return false; }
};

} // namespace

service_ptr_t<file> open_file_on_disk(const std::filesystem::path& path) { return make_service<file_on_disk>(path); }

abort_signal& never_aborted()
{
    // Holds no state: nothing ever changes it.
    static never_aborted_signal signal;
    return signal;
}
