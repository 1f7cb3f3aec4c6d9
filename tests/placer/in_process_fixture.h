// The installer's code inside the test program, which links it and carries
// its resources: a fake Pilot Desktop, a current folder holding a
// "worker.exe" and the person's own "license.txt", and a temporary folder
// (TMP/TEMP) of the test's own.
#pragma once

#include "app_instance.h"
#include "fake_palm_desktop.h"
#include "placer_fixture.h"

#include <gtest/gtest.h>

class InProcessTest : public ::testing::Test {
protected:
    InProcessTest()
    {
        appInstance = GetModuleHandleA(NULL);
        writeFileBytes(current_ / "worker.exe", "MZ stand-in");
        writeFileBytes(current_ / "license.txt", PERSONS_LICENSE_TEXT);
    }

    FakePalmDesktop palm_;
    TempFolder current_{"ic"};
    TempFolder temp_{"it"};
    ScopedCurrentDirectory inCurrent_{current_.path()};
    ScopedEnvironment tmp_{"TMP", temp_.path()};
    ScopedEnvironment tempVariable_{"TEMP", temp_.path()};
};
