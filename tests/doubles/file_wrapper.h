// A file that passes every operation to another file; wrappers override what they change.
#pragma once

#include "host/file.h"

class file_wrapper : public file {
public:
    explicit file_wrapper(file_ptr inner) : inner_(std::move(inner)) {}

    std::size_t read(void* buffer, std::size_t bytes, abort_signal& abort) override
    {
        return inner_->read(buffer, bytes, abort);
    }
    void write(const void* buffer, std::size_t bytes, abort_signal& abort) override
    {
        inner_->write(buffer, bytes, abort);
    }
    std::uint64_t get_size(abort_signal& abort) override { return inner_->get_size(abort); }
    std::uint64_t get_position(abort_signal& abort) override { return inner_->get_position(abort); }
    void resize(std::uint64_t size, abort_signal& abort) override { inner_->resize(size, abort); }
    void seek(std::uint64_t position, abort_signal& abort) override { inner_->seek(position, abort); }
    bool can_seek() override { return inner_->can_seek(); }
    bool get_content_type(string_base& out) override { return inner_->get_content_type(out); }
    bool is_remote() override { return inner_->is_remote(); }
    std::uint64_t get_timestamp(abort_signal& abort) override { return inner_->get_timestamp(abort); }
    void reopen(abort_signal& abort) override { inner_->reopen(abort); }
    void on_idle(abort_signal& abort) override { inner_->on_idle(abort); }
    bool service_query(service_ptr_t<service_base>& out, const guid& interface_guid) override;

protected:
    file& inner() { return *inner_; }

private:
    file_ptr inner_;
};

// Hides the size of another file: get_size answers filesize_invalid.
class unknown_size_file_impl : public file_wrapper {
public:
    using file_wrapper::file_wrapper;
    std::uint64_t get_size(abort_signal&) override { return filesize_invalid; }
};
