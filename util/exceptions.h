// Error classes shared by the component and its host. They are thrown across
// the library boundary, so their type information must be visible to both.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#if defined(_WIN32)
#define QVX_SHARED_TYPE
#else
#define QVX_SHARED_TYPE __attribute__((visibility("default")))
#endif

// Every class carries its message; the default constructor gives the standard one.
class QVX_SHARED_TYPE exception_io : public std::runtime_error {
public:
    exception_io() : std::runtime_error("I/O error") {}
    explicit exception_io(const std::string& message) : std::runtime_error(message) {}
};

class QVX_SHARED_TYPE exception_io_data : public exception_io {
public:
    static constexpr const char* standard_message = "Unsupported format or corrupted file";
    exception_io_data() : exception_io(standard_message) {}
    explicit exception_io_data(const std::string& message) : exception_io(message) {}
};

class QVX_SHARED_TYPE exception_io_data_truncation : public exception_io_data {
public:
    exception_io_data_truncation() = default;
    explicit exception_io_data_truncation(const std::string& message) : exception_io_data(message) {}
};

class QVX_SHARED_TYPE exception_io_denied : public exception_io {
public:
    exception_io_denied() : exception_io("Access denied") {}
};

class QVX_SHARED_TYPE exception_io_no_length : public exception_io {
public:
    exception_io_no_length() : exception_io("Length of object is unknown") {}
};

class QVX_SHARED_TYPE exception_io_no_handler_for_path : public exception_io {
public:
    exception_io_no_handler_for_path() : exception_io("Invalid path") {}
};

class QVX_SHARED_TYPE exception_aborted : public std::runtime_error {
public:
    exception_aborted() : std::runtime_error("User abort") {}
};

class QVX_SHARED_TYPE exception_bug_check : public std::runtime_error {
public:
    exception_bug_check() : std::runtime_error("Bug check") {}
    explicit exception_bug_check(const std::string& message) : std::runtime_error(message) {}
};

class QVX_SHARED_TYPE exception_not_implemented : public exception_bug_check {
public:
    exception_not_implemented() : exception_bug_check("Feature not implemented") {}
};

class QVX_SHARED_TYPE exception_service_not_found : public std::runtime_error {
public:
    exception_service_not_found() : std::runtime_error("Service not found") {}
};

class QVX_SHARED_TYPE exception_service_duplicated : public std::runtime_error {
public:
    exception_service_duplicated() : std::runtime_error("Service duplicated") {}
};

// Carries a system error code; the message is the system's text for it.
class QVX_SHARED_TYPE exception_win32 : public std::runtime_error {
public:
    exception_win32(std::uint32_t code, const std::string& message) : std::runtime_error(message), code_(code) {}
    std::uint32_t code() const noexcept { return code_; }

private:
    std::uint32_t code_;
};
