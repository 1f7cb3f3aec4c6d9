// One run of the whole chain, end to end: the real launcher writes and
// starts the real worker, which starts the real installer, in a temporary
// folder with a fake Pilot Desktop; the test answers every dialog.
#pragma once

#include "chain_driver.h"
#include "dialog_template.h"
#include "fake_palm_desktop.h"
#include "module_resources.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

constexpr char LICENSE_CAPTION[] = "Kelvane Setup - Amber Version";
constexpr char USER_DIALOG_CAPTION[] = "Kelvane Setup";
constexpr int USER_LIST_ID = 1000;
constexpr int USER_DIALOG_ID = 102;
constexpr int LICENSE_DIALOG_ID = 113;
inline const std::vector<std::string> CHAIN_PROGRAMS = {"setup.exe", "worker.exe", "placer.exe"};

// The setup of a maker who ships three databases (tests/support), their
// queued names in the order a listing gives them, and what it carries.
inline std::string threeDatabasesSetup()
{
    return programFolder() + "\\three\\setup.exe";
}
inline const std::vector<std::string> THREE_DATABASES = {"KelvClip.pqa", "kelv.prc", "kelvdata.pdb"};
inline std::string carriedDatabase(const std::string &name)
{
    return readFileBytes(name == "kelv.prc" ? std::string(PAYLOAD_FILE) : THREE_DATABASES_DIR "\\" + name);
}

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

    // The dialog lies within a 1024 x 768 screen and each text fits its
    // control. Wine answers WM_GETFONT from another process with 0, and a
    // font handle is of no use in another process anyway: the font is made
    // here again as the dialog manager made it from the program's template
    // at this DPI. The dialog's client area, the template's size in this
    // font's dialog units, shows that it is the same font.
    void expectLaidOutToFit(const WindowView &dialog, const std::string &program, int templateId, int dpi)
    {
        SCOPED_TRACE(dialog.caption);
        RECT screen;
        GetWindowRect(GetDesktopWindow(), &screen);
        ASSERT_EQ(std::vector<LONG>({0, 0, 1024, 768}),
                  std::vector<LONG>({screen.left, screen.top, screen.right, screen.bottom}));
        EXPECT_TRUE(dialog.rect.left >= 0 && dialog.rect.top >= 0 && dialog.rect.right <= 1024 &&
                    dialog.rect.bottom <= 768)
            << dialog.rect.left << "," << dialog.rect.top << " to " << dialog.rect.right << "," << dialog.rect.bottom;

        ModuleFile file(programFolder() + "\\" + program);
        DialogTemplate layout = parseDialogTemplate(file.bytes(resourceId(5), resourceId(templateId)));
        HFONT font = createDialogFont(layout, dpi);
        SIZE expected = dialogSizeInPixels(layout, font);
        RECT client;
        GetClientRect(dialog.window, &client);
        EXPECT_EQ(expected.cx, client.right) << "not laid out in " << layout.fontName;
        EXPECT_EQ(expected.cy, client.bottom) << "not laid out in " << layout.fontName;
        for (const ControlView &control : dialog.controls) {
            if (!showsText(control))
                continue;
            SIZE needed = measureText(control, font);
            // A push button draws its 3D edge inside its own area.
            int edge = control.className == "Button" ? 2 * GetSystemMetrics(SM_CXEDGE) : 0;
            EXPECT_LE(needed.cx, control.rect.right - control.rect.left - edge) << control.text;
            EXPECT_LE(needed.cy, control.rect.bottom - control.rect.top - edge) << control.text;
        }
        DeleteObject(font);
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
