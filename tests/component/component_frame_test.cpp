// The component's frame: factory list, client object, identity services.
#include "host_access/core_api.h"
#include "component/identity_services.h"
#include "host/component_client.h"
#include "host/input.h"
#include "host/preferences_page.h"
#include "host/string8.h"

#include <gtest/gtest.h>

#include <vector>

extern "C" component_client* quorvex_get_interface(service_registry* registry, void* module_instance);

namespace {

std::vector<guid> factory_guids()
{
    std::vector<guid> out;
    for (service_factory_base* f = quorvex_get_interface(nullptr, nullptr)->get_service_list(); f; f = f->next())
        out.push_back(f->class_guid());
    return out;
}

template <class T>
service_ptr_t<T> create(const guid& class_guid)
{
    for (service_factory_base* f = quorvex_get_interface(nullptr, nullptr)->get_service_list(); f; f = f->next()) {
        if (!(f->class_guid() == class_guid)) continue;
        service_ptr_t<service_base> object;
        f->instance_create(object);
        service_ptr_t<T> typed;
        if (typed.query_from(object.get_ptr())) return typed;
    }
    return {};
}


} // namespace

TEST(component_client, reports_version_and_no_debug_build)
{
    component_client* client = quorvex_get_interface(nullptr, nullptr);
    ASSERT_NE(client, nullptr);
    EXPECT_EQ(client->get_version(), 76u);
    EXPECT_FALSE(client->is_debug());
    EXPECT_EQ(client, quorvex_get_interface(nullptr, nullptr)) << "one static client";
}

TEST(component_client, factory_list_in_reverse_registration_order)
{
    const std::vector<guid> expected = {component_installation_validator::class_guid, componentversion::class_guid,
                                        input_file_type::class_guid, preferences_page::class_guid,
                                        input_entry::class_guid};
    EXPECT_EQ(factory_guids(), expected);
}

TEST(component_services, static_services_answer_only_their_own_class)
{
    service_ptr_t<componentversion> version = create<componentversion>(componentversion::class_guid);
    ASSERT_TRUE(version.is_valid());
    service_ptr_t<service_base> other;
    EXPECT_FALSE(version->service_query(other, input_file_type::class_guid));
    EXPECT_TRUE(other.is_empty());
    for (int i = 0; i < 10; ++i) EXPECT_EQ(version->service_release(), 1);
    string8 name;
    version->get_component_name(name);
    EXPECT_EQ(name.str(), "DSDIFF Decoder") << "still usable after many releases";
}

TEST(component_services, version_texts)
{
    service_ptr_t<componentversion> version = create<componentversion>(componentversion::class_guid);
    ASSERT_TRUE(version.is_valid());
    string8 s;
    version->get_component_version(s);
    EXPECT_EQ(s.str(), "1.2");
    version->get_about_message(s);
    EXPECT_EQ(s.str(), "Decodes DSDIFF streams.");
    quorvex_get_interface(nullptr, nullptr)->set_library_path("", "");
    version->get_file_name(s);
    EXPECT_EQ(s.str(), "");
    quorvex_get_interface(nullptr, nullptr)->set_library_path("/opt/player/components/qvx_input_dsdiff.so", "qvx_input_dsdiff.so");
    version->get_file_name(s);
    EXPECT_EQ(s.str(), "qvx_input_dsdiff.so");
}

TEST(component_services, file_type_has_one_entry)
{
    service_ptr_t<input_file_type> type = create<input_file_type>(input_file_type::class_guid);
    ASSERT_TRUE(type.is_valid());
    EXPECT_EQ(type->get_count(), 1u);
    string8 s("untouched");
    EXPECT_TRUE(type->get_name(0, s));
    EXPECT_EQ(s.str(), "DSDIFF Files");
    EXPECT_TRUE(type->get_mask(0, s));
    EXPECT_EQ(s.str(), "*.dff");
    string8 other("untouched");
    EXPECT_FALSE(type->get_name(1, other));
    EXPECT_FALSE(type->get_mask(1, other));
    EXPECT_EQ(other.str(), "untouched");
    EXPECT_TRUE(type->is_associatable(5));
}

TEST(component_services, installation_check_compares_the_file_name_part)
{
    service_ptr_t<component_installation_validator> validator =
        create<component_installation_validator>(component_installation_validator::class_guid);
    ASSERT_TRUE(validator.is_valid());
    const std::string name(expected_library_file_name);
    component_client* client = quorvex_get_interface(nullptr, nullptr);
    const auto installed = [&](const std::string& path) {
        client->set_library_path(path.c_str(), "");
        return validator->is_installed_correctly();
    };
    EXPECT_TRUE(installed("C:\\Program Files\\Player\\components\\" + name));
    EXPECT_TRUE(installed("/usr/lib/player/" + name));
    EXPECT_TRUE(installed(name)) << "a bare file name is compared whole";
    EXPECT_TRUE(installed("pipe|" + name));
    EXPECT_FALSE(installed("/usr/lib/player/QVX_INPUT_DSDIFF" + name.substr(16)));
    EXPECT_FALSE(installed("/usr/lib/player/" + name + ".bak"));
    EXPECT_FALSE(installed(""));
    EXPECT_EQ(path_file_name("a/b\\c|d:e"), "e");
}
