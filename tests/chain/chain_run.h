// One run of the whole chain, end to end: the real launcher writes and
// starts the real worker, which starts the real installer, in a temporary
// folder with a fake Pilot Desktop; the test answers every dialog.
#pragma once

#include "chain_driver.h"
#include "fake_palm_desktop.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

constexpr char LICENSE_CAPTION[] = "Kelvane Setup - Amber Version";
constexpr char USER_DIALOG_CAPTION[] = "Kelvane Setup";
constexpr int USER_LIST_ID = 1000;
inline const std::vector<std::string> CHAIN_PROGRAMS = {"setup.exe", "worker.exe", "placer.exe"};

inline std::string queuedMessage(const std::string &user)
{
    return "During next HotSync for user " + user +
           " the Amber\nversion of Kelvane will be installed on the PalmPilot.";
}

inline DWORD installFlag(short slot)
{
    return FakePalmDesktop::installFlag(PilotRoot::PalmComputing, slot);
}

inline std::string installedUser()
{
    DWORD type = 0;
    std::string data;
    if (!FakePalmDesktop::readValue(PRODUCT_KEY_PATH, "Installed User", &type, &data))
        return "(none)";
    return data.substr(0, data.find('\0'));
}

// One run of the chain in a fresh work folder and Pilot Desktop.
class ChainRun : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_TRUE(waitUntilGone(CHAIN_PROGRAMS)) << "a program of the chain hung"; }

    void start(const std::string &tail = "") { startIn(work.path(), tail); }

    void startIn(const std::string &folder, const std::string &tail = "",
                 const std::string &program = programFolder() + "\\setup.exe")
    {
        std::string commandLine = "setup.exe" + (tail.empty() ? "" : " " + tail);
        ChildProcess setup(program, commandLine, folder);
        DWORD exitCode = 1;
        ASSERT_TRUE(setup.waitForExit(&exitCode));
        EXPECT_EQ(0u, exitCode);
    }

    // The next dialog must have this caption; returns its view.
    WindowView expectDialog(const char *caption)
    {
        HWND window = chain.nextDialog();
        if (!window)
            return WindowView();
        WindowView view = viewWindow(window);
        EXPECT_EQ(caption, view.caption);
        return view;
    }

    void chooseUser(int index)
    {
        WindowView dialog = expectDialog(USER_DIALOG_CAPTION);
        ASSERT_TRUE(dialog.control(USER_LIST_ID)) << "not the user dialog";
        SendMessageA(dialog.control(USER_LIST_ID)->window, LB_SETCURSEL, index, 0);
        pressButton(dialog.window, IDOK);
    }

    void answerLicense(int button)
    {
        WindowView dialog = expectDialog(LICENSE_CAPTION);
        ASSERT_TRUE(dialog.window);
        pressButton(dialog.window, button);
    }

    void expectMessage(const std::string &text, const std::string &caption)
    {
        CapturedBox box;
        ASSERT_TRUE(chain.nextMessageBox(&box)) << box.caption;
        EXPECT_EQ(text, box.text);
        EXPECT_EQ(caption, box.caption);
    }

    void expectQueuedFor(const std::string &directory)
    {
        std::string queued = desktop.installFolder(directory) + "\\kelv.prc";
        ASSERT_TRUE(fileExists(queued));
        EXPECT_TRUE(readFileBytes(queued) == readFileBytes(PAYLOAD_FILE));
    }

    FakePalmDesktop desktop;
    TempFolder work{"chain"};
    ChainDriver chain;
};
