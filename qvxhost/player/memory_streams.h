// Configuration streams over memory: a reader over bytes and a writer into bytes.
#pragma once

#include "host/file.h"

#include <cstdint>
#include <vector>

class memory_stream_reader_impl : public stream_reader {
public:
    explicit memory_stream_reader_impl(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

    std::size_t read(void* buffer, std::size_t bytes, abort_signal& abort) override;
    bool service_query(service_ptr_t<service_base>& out, const guid& interface_guid) override;

    // Bytes not yet read.
    std::size_t remaining() const noexcept { return bytes_.size() - position_; }

private:
    std::vector<std::uint8_t> bytes_;
    std::size_t position_ = 0;
};

class memory_stream_writer_impl : public stream_writer {
public:
    void write(const void* buffer, std::size_t bytes, abort_signal& abort) override;
    bool service_query(service_ptr_t<service_base>& out, const guid& interface_guid) override;

    const std::vector<std::uint8_t>& bytes() const noexcept { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};
