// A page instance: its dialog's first filling, apply with clamping, state,
// reset, notifications and lifetime.
#include "page_test_support.h"

TEST(preferences_page_instance, first_opening_lists_current_then_standard_rates)
{
    open_page page;
    EXPECT_EQ(combo_list(page.combo()), first_list("88200"));
    EXPECT_EQ(text_of(page.combo()), "88200");
    EXPECT_EQ(page.instance->get_state(), state_clean);
    EXPECT_EQ(saved_settings().history, history_text(first_list("88200")));
    EXPECT_EQ(page.notifications(), 0);
}

TEST(preferences_page_instance, first_opening_keeps_older_entries_behind_the_standard_rates)
{
    open_page page({44100, "12345\n"});
    std::vector<std::string> expected = first_list("44100");
    expected.push_back("12345");
    EXPECT_EQ(combo_list(page.combo()), expected);
    EXPECT_EQ(text_of(page.combo()), "44100");
    EXPECT_EQ(saved_settings().history, history_text(expected));
}

TEST(preferences_page_instance, answers_only_the_instance_interface)
{
    open_page page;
    service_ptr_t<service_base> out;
    EXPECT_TRUE(page.instance->service_query(out, preferences_page_instance::class_guid));
    EXPECT_EQ(out.get_ptr(), static_cast<service_base*>(page.instance.get_ptr()));
    service_ptr_t<service_base> none;
    EXPECT_FALSE(page.instance->service_query(none, preferences_page::class_guid));
    EXPECT_EQ(GetParent(page.dialog()), page.parent.get());
}

struct apply_case {
    const char* typed;
    std::int32_t applied;
};

class preferences_page_apply : public testing::TestWithParam<apply_case> {};

TEST_P(preferences_page_apply, stores_the_clamped_value_and_shows_it)
{
    const apply_case c = GetParam();
    open_page page;
    page.type(c.typed);
    page.instance->apply();
    const std::string applied = std::to_string(c.applied);
    EXPECT_EQ(text_of(page.combo()), applied) << "typed " << c.typed;
    const stored_settings stored = saved_settings();
    EXPECT_EQ(stored.max_rate, c.applied) << "typed " << c.typed;
    EXPECT_TRUE(stored.history.starts_with(applied + "\n")) << "typed " << c.typed;
    EXPECT_EQ(page.notifications(), 1);
    EXPECT_EQ(page.instance->get_state(), state_clean);
}

INSTANTIATE_TEST_SUITE_P(typed_values, preferences_page_apply,
                         testing::Values(apply_case{"100000", 100000}, apply_case{"5000", 6000},
                                         apply_case{"250000", 192000}, apply_case{"", 6000}, apply_case{"abc", 6000},
                                         apply_case{"3000000000", 6000}, apply_case{"6000", 6000},
                                         apply_case{"192000", 192000}, apply_case{"5999", 6000},
                                         apply_case{"192001", 192000}));

TEST(preferences_page_instance, next_opening_starts_with_the_applied_value)
{
    {
        open_page page;
        page.type("100000");
        page.instance->apply();
    }
    const stored_settings after = saved_settings();
    parent_window parent;
    service_ptr_t<preferences_page_instance> again;
    page_service()->instantiate(again, parent.get(), nullptr);
    const std::vector<std::string> list = combo_list(GetDlgItem(again->get_window(), combo_id));
    std::vector<std::string> expected = {"100000"};
    for (const std::string& rate : standard_list) expected.push_back(rate);
    EXPECT_EQ(list, expected);
    EXPECT_EQ(after.max_rate, 100000);
}

TEST(preferences_page_instance, state_is_changed_while_the_field_differs)
{
    open_page page({48000, ""});
    EXPECT_EQ(page.instance->get_state(), state_clean);
    page.type("96000");
    EXPECT_EQ(page.instance->get_state(), state_changed);
    page.type("48000");
    EXPECT_EQ(page.instance->get_state(), state_clean);
    page.type("");
    EXPECT_EQ(page.instance->get_state(), state_changed);
}

TEST(preferences_page_instance, reset_puts_the_default_in_the_field_only)
{
    open_page page({44100, ""});
    page.instance->reset_to_default();
    EXPECT_EQ(text_of(page.combo()), "88200");
    EXPECT_EQ(page.instance->get_state(), state_changed);
    EXPECT_EQ(saved_settings().max_rate, 44100);
    EXPECT_EQ(page.notifications(), 1);
    page.instance->apply();
    EXPECT_EQ(saved_settings().max_rate, 88200);
}

TEST(preferences_page_instance, edits_and_selections_of_the_combo_box_notify_the_host)
{
    open_page page;
    EXPECT_EQ(page.send_to_procedure(WM_COMMAND, MAKEWPARAM(combo_id, CBN_EDITCHANGE), 0), TRUE);
    EXPECT_EQ(page.send_to_procedure(WM_COMMAND, MAKEWPARAM(combo_id, CBN_SELCHANGE), 0), TRUE);
    EXPECT_EQ(page.notifications(), 2);
    // Other notifications and other controls get default processing.
    EXPECT_EQ(page.send_to_procedure(WM_COMMAND, MAKEWPARAM(combo_id, 7), 0), FALSE);
    EXPECT_EQ(page.send_to_procedure(WM_COMMAND, MAKEWPARAM(1002, CBN_EDITCHANGE), 0), FALSE);
    EXPECT_EQ(page.notifications(), 2);
}

TEST(preferences_page_instance, last_release_lets_go_of_the_callback_and_leaves_the_window)
{
    open_page page;
    HWND dialog = page.dialog();
    const int held = page.callback->service_add_ref() - 1;
    page.callback->service_release();
    EXPECT_EQ(held, 2) << "the test's reference and the instance's";
    page.instance.release();
    EXPECT_EQ(page.callback->service_add_ref() - 1, 1);
    page.callback->service_release();
    EXPECT_TRUE(IsWindow(dialog));
    // The orphaned dialog gets default processing, and nobody is notified.
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(combo_id, CBN_EDITCHANGE), 0);
    EXPECT_EQ(page.notifications(), 0);
}

TEST(preferences_page_instance, survives_its_window_being_destroyed_first)
{
    open_page page;
    DestroyWindow(page.parent.get());
    EXPECT_EQ(page.instance->get_window(), nullptr);
    page.instance.release();
}

TEST(preferences_page_instance, window_creation_failure_throws_the_system_error)
{
    load_settings({88200, ""});
    parent_window parent;
    HWND gone = parent.get();
    DestroyWindow(gone);
    service_ptr_t<preferences_page_instance> out;
    service_ptr_t<counting_callback> callback = new service_impl_t<counting_callback>();
    try {
        page_service()->instantiate(out, gone, callback);
        ADD_FAILURE() << "a destroyed parent cannot hold the page";
    } catch (const exception_win32& error) {
        EXPECT_EQ(error.code(), 1400u);  // ERROR_INVALID_WINDOW_HANDLE
        EXPECT_STRNE(error.what(), "");
        EXPECT_FALSE(std::string(error.what()).starts_with("Unknown error code")) << error.what();
    }
    EXPECT_FALSE(out.is_valid());
    EXPECT_EQ(callback->service_add_ref() - 1, 1) << "the failed instance released the callback";
    callback->service_release();
}
