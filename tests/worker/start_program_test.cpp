// startProgram's failure message, in this process.
#include "start_program.h"

#include "message_box_capture.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

TEST(StartProgram, TheFailureMessageNeverOutgrowsItsBuffer)
{
    TempFolder folder("sp");
    ScopedCurrentDirectory inFolder(folder.path());
    // The message holds "Could not start " and at most 111 characters.
    struct Case {
        std::string commandLine;
        std::string shown;
    } cases[] = {
        {"placer.exe", "placer.exe"},
        {std::string(111, 'p'), std::string(111, 'p')},
        {std::string(112, 'q'), std::string(111, 'q')},
        {"placer.exe " + std::string(400, 'r'), "placer.exe " + std::string(100, 'r')},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.commandLine.size()) + " characters");
        MessageBoxCapture boxes;
        EXPECT_EQ(0, startProgram("placer.exe", c.commandLine.c_str()));
        ASSERT_EQ(1u, boxes.count());
        EXPECT_EQ("Could not start " + c.shown, boxes.boxes()[0].text);
        EXPECT_EQ("Kelvane - Setup", boxes.boxes()[0].caption);
        EXPECT_EQ(static_cast<UINT>(MB_OK), boxes.boxes()[0].style);
    }
}
