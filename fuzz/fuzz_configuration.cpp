// read_configuration on arbitrary bytes, then write_configuration and reading
// that back: whatever the first read accepted must survive the round trip,
// and the component's own records must read back without an error.
#include "preferences/configuration_io.h"
#include "preferences/settings.h"
#include "qvxhost/player/abort_signal_impl.h"
#include "qvxhost/player/memory_streams.h"
#include "host/service_impl.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void require(bool condition)
{
    if (!condition) std::abort();
}

struct settings_snapshot {
    std::int32_t max_rate;
    std::string history;
    bool operator==(const settings_snapshot&) const = default;
};

settings_snapshot snapshot()
{
    settings_snapshot s{max_rate_setting, {}};
    rate_history.load_text(s.history);
    return s;
}

void reset_to_defaults()
{
    max_rate_setting = default_max_rate;
    rate_history.store_text("");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    abort_signal_impl abort;
    reset_to_defaults();
    try {
        service_static_t<memory_stream_reader_impl> input(std::vector<std::uint8_t>(data, data + size));
        read_configuration(input, abort);
    } catch (const exception_io_data&) {
        // A stream that ends inside a record; what was read before stays.
    }
    const settings_snapshot accepted = snapshot();

    service_static_t<memory_stream_writer_impl> output;
    write_configuration(output, abort);
    reset_to_defaults();
    service_static_t<memory_stream_reader_impl> written(output.bytes());
    read_configuration(written, abort);
    require(snapshot() == accepted);
    require(written.remaining() == 0);
    return 0;
}
