// The page service: what it answers, how it describes the page, its help address.
#include "host_version_service.h"
#include "page_test_support.h"

#include "util/exceptions.h"

TEST(preferences_page_service, answers_the_three_page_interfaces_and_no_other)
{
    const service_ptr_t<preferences_page_v3> page = page_service();
    for (const guid& id : {preferences_page_v3::class_guid, preferences_page_v2::class_guid, preferences_page::class_guid}) {
        service_ptr_t<service_base> out;
        EXPECT_TRUE(page->service_query(out, id));
        EXPECT_EQ(out.get_ptr(), static_cast<service_base*>(page.get_ptr()));
    }
    service_ptr_t<service_base> none;
    EXPECT_FALSE(page->service_query(none, preferences_page_instance::class_guid));
    EXPECT_FALSE(none.is_valid());
    // A static service: counting changes nothing, however often it is released.
    for (int i = 0; i < 5; ++i) EXPECT_EQ(page->service_release(), 1);
    EXPECT_EQ(page->service_add_ref(), 1);
    EXPECT_STREQ(page->page_name(), "DSDIFF Decoder");
}

TEST(preferences_page_service, describes_the_page)
{
    const service_ptr_t<preferences_page_v3> page = page_service();
    EXPECT_STREQ(page->page_name(), "DSDIFF Decoder");
    EXPECT_EQ(page->page_guid(), make_guid("1A6A112A-DA07-46C8-A4FF-0FB7469D42E2"));
    EXPECT_EQ(page->parent_guid(), make_guid("FC01B529-4BD7-47CD-BAF7-2FB632F0DBB6"));
    EXPECT_FALSE(page->page_query());
    page->page_notice();
    EXPECT_EQ(page->sort_priority(), 0.0);
    try {
        page->create_window(nullptr);
        ADD_FAILURE() << "create_window must not be supported";
    } catch (const exception_not_implemented& error) {
        EXPECT_STREQ(error.what(), "Feature not implemented");
    }
}

TEST(preferences_page_service, help_address_names_host_version_page_guid_and_name)
{
    string8 address;
    EXPECT_TRUE(page_service()->help_address(address));
    EXPECT_EQ(address.str(), std::string("https://help.quorvex.org/") + host_version_impl::version +
                                 "/preferences/1A6A112A-DA07-46C8-A4FF-0FB7469D42E2/DSDIFF Decoder");
}

TEST(preferences_page_service, help_address_needs_exactly_one_version_service)
{
    service_registry_impl none;
    service_registry_impl two;
    add_version_services(two, 2);
    string8 address("untouched");
    give_registry(&none);
    EXPECT_THROW(page_service()->help_address(address), exception_service_not_found);
    give_registry(&two);
    EXPECT_THROW(page_service()->help_address(address), exception_service_duplicated);
    give_registry(nullptr);
    EXPECT_EQ(address.str(), "untouched");
}
