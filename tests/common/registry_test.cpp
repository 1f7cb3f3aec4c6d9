#include "fake_palm_desktop.h"
#include "lcreg.h"
#include "message_box_capture.h"

#include <gtest/gtest.h>

TEST(Registry, Smoke)
{
    FakePalmDesktop desktop;
    desktop.setPath(PilotRoot::USRobotics, "C:\\palm");
    char buffer[PALM_PATH_SIZE];
    ASSERT_EQ(1, getPalmDesktopPath(buffer));
    EXPECT_STREQ("C:\\palm", buffer);
}
