// Runs placer.exe as a child process in a folder of its own, with a fake
// Pilot Desktop, a "worker.exe" to watch, a person's own "license.txt" that
// must survive, and a temporary folder (TMP/TEMP) that the test can see.
#pragma once

#include "child_process.h"
#include "fake_palm_desktop.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// A file of the installer's content folder, as the build carries it.
std::string contentBytes(const std::string &name);

// A further database that the installer of three databases carries
// (tests/support): "kelvdata.pdb" or "KelvClip.pqa".
std::string threeDatabasesBytes(const std::string &name);

// Every file (not folder) directly in a folder, by name.

// One message box as the child showed it, with what was on disk then.
struct SeenBox {
    CapturedBox box;
    bool payloadInTemp;     // "kelv.prc" in the child's temporary folder
    bool mainWindowHidden;  // the "kelvsetup" window exists and is hidden
};

extern const char PERSONS_LICENSE_TEXT[];
extern const char LICENSE_CAPTION[];

class PlacerTest : public ::testing::Test {
protected:
    PlacerTest();
    ~PlacerTest() override;

    void startPlacer();
    // The licence dialog, checked to be the one shown (by its caption).
    HWND licenseDialog();
    // Every message box from now until the child ends, each answered OK.
    std::vector<SeenBox> remainingBoxes();
    // Answers the licence dialog with Yes and collects what follows.
    std::vector<SeenBox> runAnsweringYes();
    void expectExitCodeZero();

    bool mainWindowHidden() const;
    bool workerPresent() const { return fileExists(current_ / "worker.exe"); }
    std::string tempPayload() const { return temp_ / "kelv.prc"; }
    void expectPersonsLicenseUntouched() const;
    // No file is left in the child's temporary folder.
    void expectTempFolderEmpty() const;

    FakePalmDesktop palm_;
    TempFolder current_{"pc"};
    TempFolder temp_{"pt"};
    std::unique_ptr<ScopedEnvironment> tmp_;
    std::unique_ptr<ScopedEnvironment> tempVariable_;
    std::unique_ptr<ChildProcess> child_;
};

// The messages of the installer, spelt out here on their own.
std::string queuedMessage(const std::string &user);
std::string failedMessage(const std::string &user);
extern const char NOT_INSTALLED_MESSAGE[];
