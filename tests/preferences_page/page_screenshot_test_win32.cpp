// The page as Wine draws it: a screenshot (PNG) kept as a test artefact, and
// the label and combo box found where the template puts them.
#include "page_test_support.h"
#include "png_writer.h"

#include <cstdlib>
#include <filesystem>

namespace {

struct capture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
    std::uint32_t at(int x, int y) const
    {
        const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 3;
        return static_cast<std::uint32_t>(rgb[i]) << 16 | static_cast<std::uint32_t>(rgb[i + 1]) << 8 | rgb[i + 2];
    }
};

capture capture_client_area(HWND window)
{
    RECT client{};
    GetClientRect(window, &client);
    capture out;
    out.width = client.right;
    out.height = client.bottom;
    HDC screen = GetDC(window);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = out.width;
    info.bmiHeader.biHeight = -out.height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, out.width, out.height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* bgra = static_cast<const std::uint8_t*>(bits);
    for (int i = 0; i < out.width * out.height; ++i) {
        out.rgb.push_back(bgra[4 * i + 2]);
        out.rgb.push_back(bgra[4 * i + 1]);
        out.rgb.push_back(bgra[4 * i]);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, screen);
    return out;
}

RECT client_rect_of(HWND control, HWND parent)
{
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Pixels in `r` that differ from `background`.
int marked_pixels(const capture& c, const RECT& r, std::uint32_t background)
{
    int marked = 0;
    for (int y = std::max<LONG>(r.top, 0); y < std::min<LONG>(r.bottom, c.height); ++y)
        for (int x = std::max<LONG>(r.left, 0); x < std::min<LONG>(r.right, c.width); ++x)
            if (c.at(x, y) != background) ++marked;
    return marked;
}

} // namespace

TEST(preferences_page_screenshot, shows_the_label_and_the_combo_box_where_the_template_puts_them)
{
    open_page page;
    ShowWindow(page.parent.get(), SW_SHOW);
    ShowWindow(page.dialog(), SW_SHOW);
    UpdateWindow(page.parent.get());
    RedrawWindow(page.parent.get(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    pump_messages();

    const capture shot = capture_client_area(page.parent.get());
    const char* directory = std::getenv("QVX_ARTIFACT_DIR");
    const std::string path = (std::filesystem::path(directory ? directory : ".") / "preferences_page.png").string();
    ASSERT_TRUE(write_png(path, shot.width, shot.height, shot.rgb)) << path;

    const RECT label = client_rect_of(GetDlgItem(page.dialog(), -1), page.parent.get());
    const RECT combo = client_rect_of(page.combo(), page.parent.get());
    const RECT dialog = client_rect_of(page.dialog(), page.parent.get());
    const std::uint32_t background = shot.at(dialog.right - 2, dialog.bottom - 2);
    // Text in the label, a frame and "88200" in the combo box; nothing between them.
    EXPECT_GT(marked_pixels(shot, label, background), 40) << path;
    EXPECT_GT(marked_pixels(shot, combo, background), 100) << path;
    const RECT gap{label.right + 1, combo.top, combo.left - 1, combo.bottom};
    EXPECT_EQ(marked_pixels(shot, gap, background), 0) << path;
    const RECT below{dialog.left, combo.bottom + 2, dialog.right, dialog.bottom};
    EXPECT_EQ(marked_pixels(shot, below, background), 0) << path;
}
