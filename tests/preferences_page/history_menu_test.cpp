// The combo box's right-click menu: where it opens, what it offers, and what
// wiping and removing do to the history, the list and the field.
#include "page_test_support.h"

namespace {

constexpr LPARAM from_keyboard = -1;
const std::vector<std::string> both_items = {"Wipe history", "Remove this history item"};

// Right-clicks the combo box and lets the menu choose `command`.
menu_seen right_click(const open_page& page, UINT command, LPARAM position = from_keyboard)
{
    script_next_menu(command);
    EXPECT_EQ(page.send_to_procedure(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(page.combo()), position), TRUE);
    pump_messages();
    return scripted_menu_result();
}

} // namespace

TEST(history_menu, opens_from_the_keyboard_at_the_combo_box_centre)
{
    open_page page;
    RECT rect{};
    ASSERT_TRUE(GetWindowRect(page.combo(), &rect));
    const menu_seen menu = right_click(page, 0);
    ASSERT_TRUE(menu.shown);
    EXPECT_EQ(menu.x, (rect.left + rect.right) / 2);
    EXPECT_EQ(menu.y, (rect.top + rect.bottom) / 2);
    EXPECT_EQ(menu.items, both_items);
    if (menu.flags) {
        EXPECT_EQ(*menu.flags, 0x182u);
    }
}

TEST(history_menu, opens_at_the_mouse_position)
{
    open_page page;
    const menu_seen menu = right_click(page, 0, MAKELPARAM(300, 200));
    ASSERT_TRUE(menu.shown);
    EXPECT_EQ(menu.x, 300);
    EXPECT_EQ(menu.y, 200);
}

TEST(history_menu, empty_field_offers_only_wipe)
{
    open_page page;
    page.type("");
    const menu_seen menu = right_click(page, 0);
    ASSERT_TRUE(menu.shown);
    EXPECT_EQ(menu.items, std::vector<std::string>{"Wipe history"});
}

TEST(history_menu, wipe_empties_history_and_list_and_keeps_the_typed_value)
{
    open_page page;
    page.type("44100");
    right_click(page, 1);
    EXPECT_EQ(saved_settings().history, "");
    EXPECT_TRUE(combo_list(page.combo()).empty());
    EXPECT_EQ(text_of(page.combo()), "44100");
    EXPECT_EQ(page.notifications(), 0);
}

TEST(history_menu, remove_drops_the_typed_entry_and_empties_the_field)
{
    open_page page;
    page.type("44100");
    right_click(page, 2);
    std::vector<std::string> expected = first_list("88200");
    std::erase(expected, "44100");
    EXPECT_EQ(saved_settings().history, history_text(expected));
    EXPECT_EQ(combo_list(page.combo()), expected);
    EXPECT_EQ(text_of(page.combo()), "");
    EXPECT_EQ(page.notifications(), 0);
}

TEST(history_menu, remove_of_an_absent_value_stores_nothing_and_refills_the_list)
{
    open_page page;
    const std::string before = saved_settings().history;
    page.type("12345");
    right_click(page, 2);
    EXPECT_EQ(saved_settings().history, before);
    EXPECT_EQ(combo_list(page.combo()), first_list("88200"));
    EXPECT_EQ(text_of(page.combo()), "");
}

TEST(history_menu, dismissed_menu_changes_nothing)
{
    open_page page;
    page.type("44100");
    const std::string before = saved_settings().history;
    right_click(page, 0);
    EXPECT_EQ(saved_settings().history, before);
    EXPECT_EQ(combo_list(page.combo()), first_list("88200"));
    EXPECT_EQ(text_of(page.combo()), "44100");
}

TEST(history_menu, label_and_dialog_are_left_to_default_processing)
{
    open_page page;
    HWND label = GetDlgItem(page.dialog(), -1);
    ASSERT_NE(label, nullptr);
    script_next_menu(1);
    EXPECT_EQ(page.send_to_procedure(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(label), from_keyboard), FALSE);
    EXPECT_EQ(page.send_to_procedure(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(page.dialog()), from_keyboard), FALSE);
    pump_messages();
    EXPECT_FALSE(scripted_menu_result().shown);
    EXPECT_EQ(combo_list(page.combo()), first_list("88200"));
}
