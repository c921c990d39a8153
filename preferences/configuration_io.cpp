#include "preferences/configuration_io.h"

#include "preferences/cfg_var.h"

#include <array>
#include <cstring>
#include <map>
#include <vector>

namespace {

using guid_bytes = std::array<std::uint8_t, 16>;

guid_bytes to_bytes(const guid& g)
{
    guid_bytes b{};
    for (int i = 0; i < 4; ++i) b[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(g.data1 >> (8 * i));
    b[4] = static_cast<std::uint8_t>(g.data2);
    b[5] = static_cast<std::uint8_t>(g.data2 >> 8);
    b[6] = static_cast<std::uint8_t>(g.data3);
    b[7] = static_cast<std::uint8_t>(g.data3 >> 8);
    std::memcpy(b.data() + 8, g.data4, 8);
    return b;
}

std::array<std::uint8_t, 4> le32(std::uint32_t v)
{
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
            static_cast<std::uint8_t>(v >> 24)};
}

class memory_writer final : public stream_writer {
public:
    int service_add_ref() noexcept override { return 1; }
    int service_release() noexcept override { return 1; }
    bool service_query(service_ptr_t<service_base>&, const guid&) override { return false; }
    void write(const void* buffer, std::size_t bytes, abort_signal&) override
    {
        const auto* p = static_cast<const std::uint8_t*>(buffer);
        data.insert(data.end(), p, p + bytes);
    }
    std::vector<std::uint8_t> data;
};

// Passes reads through but never beyond the record's remaining bytes.
class bounded_reader final : public stream_reader {
public:
    bounded_reader(stream_reader& source, std::uint64_t bytes) : stream(source), remaining(bytes) {}
    int service_add_ref() noexcept override { return 1; }
    int service_release() noexcept override { return 1; }
    bool service_query(service_ptr_t<service_base>&, const guid&) override { return false; }
    std::size_t read(void* buffer, std::size_t bytes, abort_signal& abort) override
    {
        const std::size_t want = bytes < remaining ? bytes : static_cast<std::size_t>(remaining);
        const std::size_t got = want ? stream.read(buffer, want, abort) : 0;
        remaining -= got;
        return got;
    }
    std::uint64_t left() const noexcept { return remaining; }

private:
    stream_reader& stream;
    std::uint64_t remaining;
};

} // namespace

void write_configuration(stream_writer& stream, abort_signal& abort)
{
    for (cfg_var* var = cfg_var::list_head(); var; var = var->next_var()) {
        memory_writer value;
        var->write_value(value, abort);
        const guid_bytes id = to_bytes(var->get_guid());
        stream.write(id.data(), id.size(), abort);
        const auto length = le32(static_cast<std::uint32_t>(value.data.size()));
        stream.write(length.data(), length.size(), abort);
        if (!value.data.empty()) stream.write(value.data.data(), value.data.size(), abort);
    }
}

void read_configuration(stream_reader& stream, abort_signal& abort)
{
    std::map<guid_bytes, cfg_var*> readers;
    for (cfg_var* var = cfg_var::list_head(); var; var = var->next_var()) readers.emplace(to_bytes(var->get_guid()), var);

    for (;;) {
        guid_bytes id{};
        if (stream.read(id.data(), id.size(), abort) < id.size()) return;
        std::uint8_t raw_length[4];
        stream.read_object(raw_length, sizeof raw_length, abort);
        const std::uint32_t length = raw_length[0] | static_cast<std::uint32_t>(raw_length[1]) << 8 |
                                     static_cast<std::uint32_t>(raw_length[2]) << 16 | static_cast<std::uint32_t>(raw_length[3]) << 24;
        const auto found = readers.find(id);
        if (found == readers.end()) {
            stream.skip_object(length, abort);
            continue;
        }
        bounded_reader record(stream, length);
        try {
            found->second->read_value(record, length, abort);
        } catch (const exception_io_data&) {
            // A malformed record costs only this variable's value.
        }
        stream.skip_object(record.left(), abort);
    }
}
