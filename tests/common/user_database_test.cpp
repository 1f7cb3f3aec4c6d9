#include "fake_palm_desktop.h"
#include "lcreg.h"
#include "message_box_capture.h"

#include <gtest/gtest.h>

TEST(UserDatabase, ProbeMissingFile)
{
    FakePalmDesktop desktop;
    desktop.setPath(PilotRoot::USRobotics, desktop.folder());
    MessageBoxCapture boxes;
    UserTable table{};
    table.count = 77;
    EXPECT_EQ(0, readUserDatabase(table.records, MAX_PALM_USERS, &table.count));
    ASSERT_EQ(1u, boxes.count());
    const CapturedBox &box = boxes.boxes()[0];
    printf("text=[%s] caption=[%s] icon=%d top=%d buttons=%zu\n", box.text.c_str(), box.caption.c_str(), box.hasIcon, box.topmost, box.buttons.size());
}
