#include "qvxhost/player/service_impl.h"
#include "qvxhost/player/service_registry_impl.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class named_service : public service_base {
public:
    static constexpr guid class_guid = make_guid("0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D");
    explicit named_service(int value) : id(value) {}
    bool service_query(service_ptr_t<service_base>& out, const guid& wanted) override
    {
        return query_interfaces<named_service>(this, out, wanted);
    }
    int id;
};

constexpr guid other_class = make_guid("11111111-2222-4333-8444-555555555555");

std::vector<int> enumerated_ids(service_registry& registry)
{
    std::vector<int> ids;
    enumerate_services<named_service>(registry, [&](const service_ptr_t<named_service>& s) {
        ids.push_back(s->id);
        return true;
    });
    return ids;
}

} // namespace

// Enumeration visits objects and factories in the order they were registered.
TEST(service_registry_impl, enumerates_in_registration_order)
{
    service_registry_impl registry;
    registry.add_object(named_service::class_guid, make_service<named_service>(3));
    registry.add_factory(named_service::class_guid, [] { return make_service<named_service>(1); });
    registry.add_object(other_class, make_service<named_service>(99));
    registry.add_object(named_service::class_guid, make_service<named_service>(2));

    EXPECT_EQ(enumerated_ids(registry), (std::vector<int>{3, 1, 2}));
    EXPECT_EQ(registry.count_services(registry.find_class(named_service::class_guid)), 3u);
    service_ptr_t<service_base> past_end;
    EXPECT_FALSE(registry.create_service(past_end, registry.find_class(named_service::class_guid), 3));
    EXPECT_TRUE(past_end.is_empty());
}

// A registered object is shared; a factory makes a new object per request.
TEST(service_registry_impl, objects_are_shared_and_factories_make_new_ones)
{
    service_registry_impl registry;
    registry.add_object(named_service::class_guid, make_service<named_service>(1));
    registry.add_factory(other_class, [] { return make_service<named_service>(2); });

    service_ptr_t<service_base> a, b, c, d;
    ASSERT_TRUE(registry.create_service(a, registry.find_class(named_service::class_guid), 0));
    ASSERT_TRUE(registry.create_service(b, registry.find_class(named_service::class_guid), 0));
    ASSERT_TRUE(registry.create_service(c, registry.find_class(other_class), 0));
    ASSERT_TRUE(registry.create_service(d, registry.find_class(other_class), 0));
    EXPECT_EQ(a.get_ptr(), b.get_ptr());
    EXPECT_NE(c.get_ptr(), d.get_ptr());
}

// An unknown class has no handle; the single-service lookup needs exactly one service.
TEST(service_registry_impl, single_service_lookup_needs_exactly_one)
{
    service_registry_impl registry;
    EXPECT_EQ(registry.find_class(named_service::class_guid), nullptr);
    try {
        standard_api_create<named_service>(registry);
        FAIL() << "no service registered";
    } catch (const exception_service_not_found& e) {
        EXPECT_STREQ(e.what(), "Service not found");
    }

    registry.add_object(named_service::class_guid, make_service<named_service>(7));
    EXPECT_EQ(standard_api_create<named_service>(registry)->id, 7);

    registry.add_object(named_service::class_guid, make_service<named_service>(8));
    try {
        standard_api_create<named_service>(registry);
        FAIL() << "two services registered";
    } catch (const exception_service_duplicated& e) {
        EXPECT_STREQ(e.what(), "Service duplicated");
    }
}

// A counted object lives while the registry or a caller holds it.
TEST(service_counted, deleted_with_its_last_reference)
{
    static int destroyed = 0;
    struct tracked : named_service {
        using named_service::named_service;
        ~tracked() { ++destroyed; }
    };
    destroyed = 0;
    service_ptr_t<service_base> held;
    {
        service_registry_impl registry;
        registry.add_object(named_service::class_guid, make_service<tracked>(1));
        ASSERT_TRUE(registry.create_service(held, registry.find_class(named_service::class_guid), 0));
    }
    EXPECT_EQ(destroyed, 0);
    held.release();
    EXPECT_EQ(destroyed, 1);
}
