#include "dsdiff_writer.h"
#include "host/component_identity.h"
#include "host/dsp.h"
#include "qvxhost_runner.h"
#include "qvxhost/player/abort_signal_impl.h"
#include "qvxhost/player/component_loader.h"
#include "qvxhost/player/config_record.h"
#include "qvxhost/player/console_receivers.h"
#include "qvxhost/player/host_services.h"
#include "tests/doubles/memory_file.h"
#include "qvxhost/player/service_impl.h"
#include "qvxhost/player/track_info_impl.h"
#include "host/string8.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace dw = dsdiff_writer;

namespace {

// Our standard services with a console that keeps what the component prints.
struct loaded {
    service_ptr_t<console_collector_impl> console = make_service<console_collector_impl>();
    host_services host{console};
    loaded_component component{component_path(), host.registry()};
};

bool contains_record(const std::vector<std::uint8_t>& stream, const std::vector<std::uint8_t>& record)
{
    return std::search(stream.begin(), stream.end(), record.begin(), record.end()) != stream.end();
}

} // namespace

// The factory list is walked from its head; the services the player needs are found by class.
TEST(loaded_component, walks_the_factory_list_and_finds_services)
{
    loaded l;
    const auto classes = l.component.factory_classes();
    // The preferences page exists only where there is a window system to show it.
    ASSERT_GE(classes.size(), 4u);
    EXPECT_TRUE(classes.front() == component_installation_validator::class_guid);
    EXPECT_TRUE(classes[1] == componentversion::class_guid);
    EXPECT_TRUE(classes.back() == input_entry::class_guid);

    EXPECT_TRUE(l.component.input()->accepts_path("/x/a.DFF", "DFF"));
    auto version = l.component.find_service<componentversion>();
    ASSERT_TRUE(version.is_valid());
    string8 name;
    version->get_file_name(name);
    EXPECT_EQ(name.str(), "qvx_input_dsdiff.so") << "the library path was handed over";
    EXPECT_TRUE(l.component.find_service<dsp_entry>().is_empty());
}

// Configuration records pass through: a rate read in comes back out in the next write.
TEST(loaded_component, passes_configuration_both_ways)
{
    loaded l;
    abort_signal_impl abort;
    l.component.read_configuration(max_rate_record(40000), abort);
    EXPECT_TRUE(contains_record(l.component.write_configuration(abort), max_rate_record(40000)));
    l.component.read_configuration(max_rate_record(88200), abort);
    const auto records = parse_config_records(l.component.write_configuration(abort));
    ASSERT_TRUE(records.has_value());
    EXPECT_EQ(records->size(), 2u);
    EXPECT_TRUE(contains_record(l.component.write_configuration(abort), max_rate_record(88200)));
}

// A file handed over as the open hint is read in place, and console text reaches our receivers.
TEST(loaded_component, reads_a_memory_file_hint_and_collects_console_text)
{
    loaded l;
    abort_signal_impl abort;
    const dw::stream_format format{2822400, {"ABCD", "SRGT"}};
    auto hint = make_service<memory_file_impl>(dw::plain_file(format, std::vector<std::uint8_t>(2 * 352800, 0x69)));
    service_ptr_t<input_info_reader> reader;
    l.component.input()->open_info_reader(reader, hint, "/nowhere/hint.dff", abort);
    track_info_impl info;
    reader->read_info(0, info, abort);
    EXPECT_EQ(info.get("channels"), "2");
    EXPECT_EQ(info.length(), 1.0);
    EXPECT_EQ(l.console->lines(), (std::vector<std::string>{"Unknown channel ID: ABCD"}));
}

// A missing library or one without the export is refused with the reason.
TEST(loaded_component, refuses_what_is_no_component)
{
    service_registry_impl registry;
    try {
        loaded_component missing("/nonexistent/qvx_input_dsdiff.so", registry);
        FAIL() << "loaded a missing library";
    } catch (const exception_io& e) {
        EXPECT_TRUE(std::string(e.what()).starts_with("Cannot load component: /nonexistent/qvx_input_dsdiff.so"))
            << e.what();
    }
}
