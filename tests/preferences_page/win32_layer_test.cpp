// The UTF-8 layer over the wide-character calls, and system error texts.
#include "page_test_support.h"

#include "preferences/win32/utf16.h"
#include "preferences/win32/win32_error.h"

TEST(utf16_conversion, round_trips_text_beyond_ascii)
{
    const std::string text = "44\xC2\xA0" "100 Hz \xE2\x80\x94 \xF0\x9F\x8E\xB5";  // no-break space, em dash, U+1F3B5
    const wide_string wide = utf8_to_wide(text);
    ASSERT_EQ(wide.size(), 14u);
    EXPECT_EQ(static_cast<char16_t>(wide[12]), 0xD83C);
    EXPECT_EQ(static_cast<char16_t>(wide[13]), 0xDFB5);
    EXPECT_EQ(wide_to_utf8(wide), text);
}

TEST(utf16_conversion, ill_formed_input_becomes_replacement_characters)
{
    EXPECT_EQ(wide_to_utf8(utf8_to_wide("a\xFF" "b")), "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(wide_to_utf8(utf8_to_wide("\xC0\xAF")), "\xEF\xBF\xBD");        // overlong "/"
    EXPECT_EQ(wide_to_utf8(utf8_to_wide("\xE2\x82")), "\xEF\xBF\xBD");        // cut short
    const wide_string lone_surrogate = {static_cast<WCHAR>(0xD800), static_cast<WCHAR>('x')};
    EXPECT_EQ(wide_to_utf8(lone_surrogate), "\xEF\xBF\xBD" "x");
}

TEST(utf8_window_text, sets_and_reads_a_window_text)
{
    open_page page;
    const std::string text = "Maximum \xE2\x80\x94 \xF0\x9F\x8E\xB5";
    ASSERT_TRUE(uSetWindowText(page.combo(), text.c_str()));
    EXPECT_EQ(text_of(page.combo()), text);
    EXPECT_EQ(uSendMessageText(page.combo(), CB_ADDSTRING, 0, "x"), static_cast<LRESULT>(first_list("88200").size()));
    string8 untouched("kept");
    parent_window parent;
    HWND gone = parent.get();
    DestroyWindow(gone);
    EXPECT_FALSE(uGetWindowText(gone, untouched));
    EXPECT_EQ(untouched.str(), "kept");
}

TEST(system_error_text, names_undefined_known_and_unknown_codes)
{
    EXPECT_EQ(system_error_text(0), "Undefined error");
    const std::string known = system_error_text(1400);
    EXPECT_FALSE(known.empty());
    EXPECT_NE(known.back(), '\n');
    EXPECT_FALSE(known.starts_with("Unknown error code")) << known;
    EXPECT_EQ(system_error_text(0x2FFFFFFF), "Unknown error code (805306367)");
}
