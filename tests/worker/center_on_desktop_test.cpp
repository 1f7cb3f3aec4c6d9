// centerOnDesktop halves the desktop's and the window's extents separately,
// each truncated, which differs from halving the difference for odd sizes.
#include "user_dialog.h"

#include <gtest/gtest.h>

TEST(CenterOnDesktop, HalvesEachExtentOnItsOwn)
{
    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    LONG desktopWidth = desktop.right - desktop.left;
    LONG desktopHeight = desktop.bottom - desktop.top;
    struct Size {
        int width, height;
    } sizes[] = {{357, 201}, {358, 200}, {1, 3}, {static_cast<int>(desktopWidth) + 301, static_cast<int>(desktopHeight) + 5}};
    for (const Size &size : sizes) {
        SCOPED_TRACE(std::to_string(size.width) + " by " + std::to_string(size.height));
        HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 3, 5, size.width, size.height, NULL, NULL,
                                      GetModuleHandleA(NULL), NULL);
        ASSERT_TRUE(window);
        centerOnDesktop(window);
        RECT placed;
        GetWindowRect(window, &placed);
        EXPECT_EQ(desktopWidth / 2 - size.width / 2 + desktop.left, placed.left);
        EXPECT_EQ(desktopHeight / 2 - size.height / 2 + desktop.top, placed.top);
        EXPECT_EQ(size.width, placed.right - placed.left);
        EXPECT_EQ(size.height, placed.bottom - placed.top);
        DestroyWindow(window);
    }
}
