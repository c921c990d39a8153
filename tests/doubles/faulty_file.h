// A file wrapper that injects read faults, for testing how a reader copes.
#pragma once

#include "tests/doubles/file_wrapper.h"

#include <cstdint>
#include <optional>
#include <string>

struct fault_plan {
    // A read that would deliver the byte at this position throws exception_io(message).
    std::optional<std::uint64_t> fail_at = std::nullopt;
    // A read that would deliver the byte at this position stops just before it,
    // and no later read gets past it, while the size still reports the whole
    // file: data that ends early.
    std::optional<std::uint64_t> end_at = std::nullopt;
    // The read call with this number (1 = the first) throws exception_io(message).
    std::optional<std::size_t> fail_on_read = std::nullopt;
    std::string message = "Injected read error";
};

class faulty_file_impl : public file_wrapper {
public:
    faulty_file_impl(file_ptr inner, fault_plan plan) : file_wrapper(std::move(inner)), plan_(std::move(plan)) {}

    std::size_t read(void* buffer, std::size_t bytes, abort_signal& abort) override;

    // Read calls so far, including those that failed.
    std::size_t read_count() const noexcept { return reads_; }

private:
    fault_plan plan_;
    std::size_t reads_ = 0;
};
