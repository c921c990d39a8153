// What both ways of reaching the component share: settings records and the
// page service from the factory list.
#include "page_environment.h"

#include "qvxhost/player/abort_signal_impl.h"
#include "qvxhost/player/memory_streams.h"
#include "qvxhost/player/service_impl.h"

#include <stdexcept>

namespace {

using bytes = std::vector<std::uint8_t>;

const bytes max_rate_guid = {0x84, 0xF2, 0x35, 0xB7, 0x7A, 0x60, 0xC2, 0x4E, 0x91, 0xA0, 0xAC, 0x76, 0x1A, 0xF9, 0x0B, 0x7E};
const bytes history_guid = {0xA4, 0x40, 0x78, 0xCC, 0x40, 0xD5, 0x50, 0x46, 0x91, 0x3F, 0x5F, 0xD5, 0xC7, 0xA6, 0xA7, 0x37};

void append_record(bytes& out, const bytes& id, const bytes& value)
{
    out.insert(out.end(), id.begin(), id.end());
    const auto n = static_cast<std::uint32_t>(value.size());
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(n >> (8 * i)));
    out.insert(out.end(), value.begin(), value.end());
}

std::uint32_t le32(const std::uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24; }

} // namespace

void load_settings(const stored_settings& settings)
{
    const auto rate = static_cast<std::uint32_t>(settings.max_rate);
    bytes records;
    append_record(records, max_rate_guid, {static_cast<std::uint8_t>(rate), static_cast<std::uint8_t>(rate >> 8),
                                           static_cast<std::uint8_t>(rate >> 16), static_cast<std::uint8_t>(rate >> 24)});
    append_record(records, history_guid, bytes(settings.history.begin(), settings.history.end()));
    abort_signal_impl never;
    service_uncounted<memory_stream_reader_impl> stream(records);
    test_client().read_configuration(stream, never);
}

stored_settings saved_settings()
{
    abort_signal_impl never;
    service_uncounted<memory_stream_writer_impl> stream;
    test_client().write_configuration(stream, never);
    const bytes& b = stream.bytes();
    stored_settings out;
    for (std::size_t at = 0; at + 20 <= b.size();) {
        const bytes id(b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at) + 16);
        const std::uint32_t n = le32(&b[at + 16]);
        const auto* value = b.data() + at + 20;
        if (id == max_rate_guid && n == 4) out.max_rate = static_cast<std::int32_t>(le32(value));
        if (id == history_guid) out.history.assign(reinterpret_cast<const char*>(value), n);
        at += 20 + n;
    }
    return out;
}

service_ptr_t<preferences_page_v3> page_service()
{
    for (service_factory_base* f = test_client().get_service_list(); f; f = f->next()) {
        if (!(f->class_guid() == preferences_page::class_guid)) continue;
        service_ptr_t<service_base> object;
        f->instance_create(object);
        service_ptr_t<preferences_page_v3> page;
        if (page.query_from(object.get_ptr())) return page;
    }
    throw std::runtime_error("the component registers no preferences page");
}
