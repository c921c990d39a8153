// Console receivers: where the component's console text ends up.
#pragma once

#include "host/console.h"

#include <mutex>
#include <string>
#include <vector>

// Keeps every printed text as one line (for tests).
class console_collector_impl : public console_receiver {
public:
    void print(const char* text, std::size_t length) override;
    bool service_query(service_ptr_t<service_base>& out, const guid& interface_guid) override;

    std::vector<std::string> lines() const;

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

// Writes every printed text to standard error, one line each (for the program).
class console_stderr_impl : public console_receiver {
public:
    void print(const char* text, std::size_t length) override;
    bool service_query(service_ptr_t<service_base>& out, const guid& interface_guid) override;
};
