#include "placer_fixture.h"


const char PERSONS_LICENSE_TEXT[] = "my own notes, not to be lost\r\n";
const char LICENSE_CAPTION[] = "Kelvane Setup - Amber Version";
const char NOT_INSTALLED_MESSAGE[] = "The Kelvane Amber version has not been installed.";

namespace {
const char MAIN_WINDOW_CLASS[] = "kelvsetup";
const DWORD NO_MORE_BOXES_MS = 10000;
}

std::string contentBytes(const std::string &name)
{
    // The tests run under Wine, whose drive Z: is the Unix root.
    return readFileBytes(std::string("Z:") + KELVANE_CONTENT_DIR + "/" + name);
}

std::string threeDatabasesBytes(const std::string &name)
{
    return readFileBytes(std::string("Z:") + THREE_DATABASES_DIR + "/" + name);
}

std::string queuedMessage(const std::string &user)
{
    return "During next HotSync for user " + user +
           " the Amber\nversion of Kelvane will be installed on the PalmPilot.";
}

std::string failedMessage(const std::string &user)
{
    return "Intallation of Kelvane for user: " + user + " - FAILED";
}

PlacerTest::PlacerTest()
{
    writeFileBytes(current_ / "worker.exe", "MZ stand-in for the worker");
    writeFileBytes(current_ / "license.txt", PERSONS_LICENSE_TEXT);
    // Made after every TempFolder of the test, gone before any of them.
    tmp_.reset(new ScopedEnvironment("TMP", temp_.path()));
    tempVariable_.reset(new ScopedEnvironment("TEMP", temp_.path()));
}

PlacerTest::~PlacerTest()
{
    child_.reset();
    tempVariable_.reset();
    tmp_.reset();
}

void PlacerTest::startPlacer()
{
    child_.reset(new ChildProcess(programFolder() + "\\placer.exe", "placer.exe", current_.path()));
}

HWND PlacerTest::licenseDialog()
{
    HWND dialog = child_->nextDialog();
    if (dialog) {
        EXPECT_EQ(viewWindow(dialog).caption, LICENSE_CAPTION);
    }
    return dialog;
}

bool PlacerTest::mainWindowHidden() const
{
    for (HWND window : child_->topLevelWindows()) {
        char name[64];
        GetClassNameA(window, name, sizeof name);
        if (lstrcmpA(name, MAIN_WINDOW_CLASS) == 0)
            return !IsWindowVisible(window) && !(GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE);
    }
    return false;
}

std::vector<SeenBox> PlacerTest::remainingBoxes()
{
    std::vector<SeenBox> seen;
    while (HWND window = child_->nextDialog(NO_MORE_BOXES_MS)) {
        WindowView view = viewWindow(window);
        SeenBox entry{captureOf(view), fileExists(tempPayload()), mainWindowHidden()};
        if (!view.isMessageBox())
            entry.box.text = "(not a message box: " + view.caption + ")";
        seen.push_back(entry);
        pressButton(window, IDOK);
    }
    return seen;
}

std::vector<SeenBox> PlacerTest::runAnsweringYes()
{
    startPlacer();
    HWND dialog = licenseDialog();
    if (!dialog) {
        ADD_FAILURE() << "no licence dialog";
        return {};
    }
    pressButton(dialog, IDYES);
    return remainingBoxes();
}

void PlacerTest::expectExitCodeZero()
{
    DWORD code = 1;
    ASSERT_TRUE(child_->waitForExit(&code)) << "placer.exe did not end";
    EXPECT_EQ(code, 0u);
}

void PlacerTest::expectPersonsLicenseUntouched() const
{
    ASSERT_TRUE(fileExists(current_ / "license.txt"));
    EXPECT_EQ(readFileBytes(current_ / "license.txt"), PERSONS_LICENSE_TEXT);
}

void PlacerTest::expectTempFolderEmpty() const
{
    EXPECT_EQ(filesIn(temp_.path()), std::vector<std::string>{});
}
