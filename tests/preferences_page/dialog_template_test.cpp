// Dialog template 101: its items, styles and sizes, and the dialog made from it.
#include "page_test_support.h"

namespace {
bool operator==(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
std::string show(const RECT& r)
{
    return "{" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + "}";
}
} // namespace

TEST(dialog_template_101, holds_the_label_and_the_combo_box)
{
    const dialog_template t = dialog_template_101();
    EXPECT_EQ(t.style, 0x40080048u);
    EXPECT_TRUE(t.units == (RECT{0, 0, 182, 40})) << show(t.units);
    EXPECT_EQ(t.font_points, 8);
    EXPECT_EQ(t.font_face, "MS Shell Dlg");
    EXPECT_EQ(t.font_weight, 400);
    EXPECT_FALSE(t.font_italic);
    EXPECT_EQ(t.font_charset, 1);
    ASSERT_EQ(t.items.size(), 2u);

    const dialog_item_template& label = t.items[0];
    EXPECT_EQ(label.text, "Maximum sample rate:");
    EXPECT_EQ(label.id, -1);
    EXPECT_EQ(label.style, 0x50020000u);
    EXPECT_TRUE(label.units == (RECT{7, 7, 84, 19})) << show(label.units);

    const dialog_item_template& combo = t.items[1];
    EXPECT_EQ(combo.text, "");
    EXPECT_EQ(combo.id, combo_id);
    EXPECT_EQ(combo.style, 0x50210002u);
    EXPECT_TRUE(combo.units == (RECT{90, 7, 160, 85})) << show(combo.units);
}

TEST(dialog_template_101, dialog_places_its_controls_where_the_template_says)
{
    open_page page;
    RECT dialog{};
    RECT label{};
    RECT combo{};
    ASSERT_TRUE(GetWindowRect(page.dialog(), &dialog));
    ASSERT_TRUE(GetWindowRect(GetDlgItem(page.dialog(), -1), &label));
    ASSERT_TRUE(GetWindowRect(page.combo(), &combo));
    // Position and size are converted separately, as the dialog manager does.
    const auto expect_placed = [&](const RECT& window, const RECT& units, const char* what, bool full_height) {
        const RECT at = dialog_units_to_pixels(page.dialog(), RECT{units.left, units.top, 0, 0});
        const RECT size = dialog_units_to_pixels(page.dialog(), RECT{0, 0, units.right - units.left, units.bottom - units.top});
        EXPECT_EQ(window.left - dialog.left, at.left) << what;
        EXPECT_EQ(window.top - dialog.top, at.top) << what;
        EXPECT_EQ(window.right - window.left, size.right) << what;
        if (full_height) {
            EXPECT_EQ(window.bottom - window.top, size.bottom) << what;
        }
    };
    expect_placed(label, RECT{7, 7, 84, 19}, "label", true);
    // A closed combo box is only as tall as its edit field; the template's height includes the list.
    expect_placed(combo, RECT{90, 7, 160, 85}, "combo box", false);
    EXPECT_LT(combo.bottom - combo.top, dialog_units_to_pixels(page.dialog(), RECT{0, 0, 0, 78}).bottom);
    EXPECT_EQ(text_of(GetDlgItem(page.dialog(), -1)), "Maximum sample rate:");
    // A child of the host's page, not shown until the host shows it.
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(page.dialog(), GWL_STYLE)) & 0xF0000000u, 0x40000000u);
}
