// Configuration variables: values the host persists for the component as
// records of GUID, length and bytes.
#pragma once

#include "host/file.h"
#include "host/guid.h"

#include <atomic>
#include <cstdint>
#include <string>

class cfg_var {
public:
    cfg_var(const cfg_var&) = delete;
    cfg_var& operator=(const cfg_var&) = delete;

    const guid& get_guid() const noexcept { return id; }

    // Replaces the value from a record's bytes; `size_hint` is the record length.
    virtual void read_value(stream_reader& stream, std::size_t size_hint, abort_signal& abort) = 0;
    virtual void write_value(stream_writer& stream, abort_signal& abort) = 0;

    // The process-wide list of variables, most recently constructed first: configuration
    // reading and writing both walk it.
    static cfg_var* list_head() noexcept { return head; }
    cfg_var* next_var() const noexcept { return next; }

protected:
    // Only static objects: registers itself at the head of the list.
    explicit cfg_var(const guid& variable_guid) noexcept;
    ~cfg_var() = default;

private:
    guid id;
    cfg_var* next;
    static constinit inline cfg_var* head = nullptr;
};

// A signed 32-bit setting. One aligned word: written on the user-interface
// thread or by configuration reading, read whole by any thread.
class cfg_int_t final : public cfg_var {
public:
    cfg_int_t(const guid& variable_guid, std::int32_t default_value) noexcept : cfg_var(variable_guid), value(default_value) {}

    operator std::int32_t() const noexcept { return value.load(std::memory_order_relaxed); }
    cfg_int_t& operator=(std::int32_t v) noexcept
    {
        value.store(v, std::memory_order_relaxed);
        return *this;
    }

    // 4 bytes, little-endian two's complement.
    void read_value(stream_reader& stream, std::size_t size_hint, abort_signal& abort) override;
    void write_value(stream_writer& stream, abort_signal& abort) override;

private:
    std::atomic<std::int32_t> value;
};

// UTF-8 text, stored without terminator or length.
class cfg_string final : public cfg_var {
public:
    explicit cfg_string(const guid& variable_guid) noexcept : cfg_var(variable_guid) {}

    const std::string& get() const noexcept { return text; }
    void set(std::string value) { text = std::move(value); }

    void read_value(stream_reader& stream, std::size_t size_hint, abort_signal& abort) override;
    void write_value(stream_writer& stream, abort_signal& abort) override;

private:
    std::string text;
};
