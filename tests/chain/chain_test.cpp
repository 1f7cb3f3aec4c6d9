// The whole chain on every Windows version: every scenario runs once as the
// prefix's own Windows and once as each Windows version the product meets
// (the instance's name says which).
#include "chain_run.h"
#include "wine_app_defaults.h"

#include <algorithm>

// The scenarios every Windows version must pass. Windows 95 to XP lack
// functions that Wine's KERNEL32 has (MoveFileExA before NT,
// GetFinalPathNameByHandleA before Vista): as those, the chain is the
// build that finds only what that Windows had, under the same names.
class ChainTest : public ChainRun, public ::testing::WithParamInterface<std::string> {
protected:
    void start(const std::string &tail = "")
    {
        const std::vector<std::string> oldWindows = {"win95", "win98", "nt40", "win2k", "winxp"};
        if (std::find(oldWindows.begin(), oldWindows.end(), GetParam()) == oldWindows.end())
            return ChainRun::start(tail);
        std::string launcher = launcherFolder / "setup.exe";
        ASSERT_TRUE(CopyFileA((programFolder() + "\\setup_old_windows.exe").c_str(), launcher.c_str(), FALSE));
        startIn(work.path(), tail, launcher);
    }

    ImitatedWindows windows{GetParam(), CHAIN_PROGRAMS};
    TempFolder launcherFolder{"launcher"};
};

INSTANTIATE_TEST_SUITE_P(Prefix, ChainTest, ::testing::Values(""),
                         [](const ::testing::TestParamInfo<std::string> &) { return std::string("own"); });
INSTANTIATE_TEST_SUITE_P(Windows, ChainTest, ::testing::ValuesIn(windowsVersions()),
                         [](const ::testing::TestParamInfo<std::string> &info) { return info.param; });

TEST_P(ChainTest, OneUserIsQueuedWithoutTheUserDialog)
{
    desktop.install(PilotRoot::PalmComputing, UsersDatBuilder().user("Ann Smith", "SmithA", 3));
    start();
    answerLicense(IDYES);
    expectMessage(queuedMessage("Ann Smith"), "Kelvane Setup");
    ASSERT_TRUE(waitUntilGone(CHAIN_PROGRAMS));

    expectQueuedFor("SmithA");
    EXPECT_EQ(1u, installFlag(3));
    EXPECT_EQ("Ann Smith", installedUser());
    EXPECT_TRUE(fileExists(work / "placer.exe"));
    EXPECT_FALSE(fileExists(work / "worker.exe"));

    // The next HotSync takes the queued file to the handheld.
    ChildProcess hotsync(programFolder() + "\\hotsync_standin.exe", "hotsync_standin.exe", work.path());
    DWORD exitCode = 1;
    ASSERT_TRUE(hotsync.waitForExit(&exitCode));
    EXPECT_EQ(0u, exitCode);
    std::string carried = desktop.parentFolder() + "\\handheld\\SmithA\\kelv.prc";
    ASSERT_TRUE(fileExists(carried));
    EXPECT_TRUE(readFileBytes(carried) == readFileBytes(PAYLOAD_FILE));
    EXPECT_FALSE(fileExists(desktop.installFolder("SmithA") + "\\kelv.prc"));
    EXPECT_EQ(0u, installFlag(3));
}

// What an earlier run left is replaced: the programs in the current
// folder, and the copy queued in the install folder, whose flag is still
// pending.
TEST_P(ChainTest, AnEarlierRunsFilesAreReplaced)
{
    desktop.install(PilotRoot::PalmComputing, UsersDatBuilder().user("Ann Smith", "SmithA", 3));
    makeFolder(desktop.installFolder("SmithA"));
    writeFileBytes(desktop.installFolder("SmithA") + "\\kelv.prc", "an earlier copy");
    writeFileBytes(work / "placer.exe", "an earlier installer");
    writeFileBytes(work / "worker.exe", "an earlier worker");
    start();
    answerLicense(IDYES);
    expectMessage(queuedMessage("Ann Smith"), "Kelvane Setup");
    ASSERT_TRUE(waitUntilGone(CHAIN_PROGRAMS));

    expectQueuedFor("SmithA");
    EXPECT_EQ(std::vector<std::string>{"kelv.prc"}, filesIn(desktop.installFolder("SmithA")));
    EXPECT_EQ(1u, installFlag(3));
    EXPECT_NE("an earlier installer", readFileBytes(work / "placer.exe"));
    EXPECT_FALSE(fileExists(work / "worker.exe"));
}

TEST_P(ChainTest, SecondOfTwoUsersIsChosenInTheDialog)
{
    desktop.install(PilotRoot::PalmComputing, UsersDatBuilder().user("Ann Smith", "SmithA", 1).user("Bob Jones", "JonesB", 2));
    start();
    chooseUser(1);
    answerLicense(IDYES);
    expectMessage(queuedMessage("Bob Jones"), "Kelvane Setup");
    ASSERT_TRUE(waitUntilGone(CHAIN_PROGRAMS));

    expectQueuedFor("JonesB");
    EXPECT_EQ(1u, installFlag(2));
    EXPECT_EQ(0u, installFlag(1));
    EXPECT_FALSE(fileExists(desktop.installFolder("SmithA") + "\\kelv.prc"));
}

TEST_P(ChainTest, OptionVShowsTheDialogForASingleUser)
{
    desktop.install(PilotRoot::PalmComputing, UsersDatBuilder().user("Ann Smith", "SmithA", 3));
    start("-v");
    WindowView dialog = expectDialog(USER_DIALOG_CAPTION);
    ASSERT_TRUE(dialog.control(USER_LIST_ID));
    EXPECT_EQ(0, SendMessageA(dialog.control(USER_LIST_ID)->window, LB_GETCURSEL, 0, 0));
    pressButton(dialog.window, IDOK);
    answerLicense(IDYES);
    expectMessage(queuedMessage("Ann Smith"), "Kelvane Setup");
    ASSERT_TRUE(waitUntilGone(CHAIN_PROGRAMS));
    expectQueuedFor("SmithA");
}

TEST_P(ChainTest, CancelInTheUserDialogEndsTheChain)
{
    desktop.install(PilotRoot::PalmComputing, UsersDatBuilder().user("Ann Smith", "SmithA", 1).user("Bob Jones", "JonesB", 2));
    start();
    WindowView dialog = expectDialog(USER_DIALOG_CAPTION);
    ASSERT_TRUE(dialog.window);
    pressButton(dialog.window, IDCANCEL);
    ASSERT_TRUE(waitUntilGone(CHAIN_PROGRAMS));
    EXPECT_TRUE(chain.noDialogFor(200));

    EXPECT_FALSE(fileExists(work / "placer.exe"));
    EXPECT_FALSE(FakePalmDesktop::keyExists(PRODUCT_KEY_PATH));
    EXPECT_FALSE(folderExists(desktop.installFolder("JonesB")));
}

TEST_P(ChainTest, NoToTheLicenceQueuesNothing)
{
    desktop.install(PilotRoot::PalmComputing, UsersDatBuilder().user("Ann Smith", "SmithA", 3));
    start();
    answerLicense(IDNO);
    expectMessage("The Kelvane Amber version has not been installed.", "Kelvane Setup");
    ASSERT_TRUE(waitUntilGone(CHAIN_PROGRAMS));

    EXPECT_FALSE(folderExists(desktop.installFolder("SmithA")));
    EXPECT_EQ(0u, installFlag(3));
    EXPECT_TRUE(fileExists(work / "worker.exe"));
    EXPECT_TRUE(fileExists(work / "placer.exe"));
}

TEST_P(ChainTest, WithoutAPilotDesktopOnlyTheReaderSpeaks)
{
    start();
    CapturedBox box;
    ASSERT_TRUE(chain.nextMessageBox(&box)) << box.caption;
    EXPECT_EQ(0u, box.text.find("Error - Could not find Pilot path."));
    EXPECT_EQ("Kelvane Setup", box.caption);
    EXPECT_TRUE(box.hasIcon);
    ASSERT_TRUE(waitUntilGone(CHAIN_PROGRAMS));
    EXPECT_TRUE(chain.noDialogFor(200));

    EXPECT_FALSE(fileExists(work / "placer.exe"));
    EXPECT_FALSE(FakePalmDesktop::keyExists(PRODUCT_KEY_PATH));
}

// A maker's three databases, one with an earlier copy waiting: all three
// queued whole under their names, with one flag, and no other name left.
TEST_P(ChainTest, ThreeDatabasesAreQueuedTogether)
{
    desktop.install(PilotRoot::PalmComputing, UsersDatBuilder().user("Ann Smith", "SmithA", 3));
    makeFolder(desktop.installFolder("SmithA"));
    writeFileBytes(desktop.installFolder("SmithA") + "\\kelvdata.pdb", "an earlier copy of the data");
    startIn(work.path(), "", threeDatabasesSetup());
    answerLicense(IDYES);
    expectMessage(queuedMessage("Ann Smith"), "Kelvane Setup");
    ASSERT_TRUE(waitUntilGone(CHAIN_PROGRAMS));

    EXPECT_EQ(THREE_DATABASES, filesIn(desktop.installFolder("SmithA")));
    for (const std::string &name : THREE_DATABASES)
        EXPECT_TRUE(readFileBytes(desktop.installFolder("SmithA") + "\\" + name) == carriedDatabase(name)) << name;
    EXPECT_EQ(1u, installFlag(3));
    EXPECT_EQ(std::vector<std::string>{"placer.exe"}, filesIn(work.path()));
}

// On a Japanese Windows (ANSI code page 932) a folder name may end in a
// character whose second byte is 0x5C, the backslash: 表 is 95 5C. The
// chain runs in such a folder, for a user whose folder is named so too.
// Runs in a prefix of its own (ctest entry chain.code_page_932); skipped
// under any other code page.
TEST_F(ChainRun, FolderNamesEndingInATrailByteBackslash)
{
    if (GetACP() != 932)
        GTEST_SKIP() << "needs the ANSI code page 932, not " << GetACP();
    const std::string hyou = "\x95\x5C";
    std::string folder = work / ("setup" + hyou);
    makeFolder(folder);
    desktop.install(PilotRoot::PalmComputing, UsersDatBuilder().user("Ann Smith", hyou, 3));
    startIn(folder);
    answerLicense(IDYES);
    expectMessage(queuedMessage("Ann Smith"), "Kelvane Setup");
    ASSERT_TRUE(waitUntilGone(CHAIN_PROGRAMS));

    expectQueuedFor(hyou);
    EXPECT_EQ(1u, installFlag(3));
    EXPECT_EQ(filesIn(folder), std::vector<std::string>{"placer.exe"});
}

// At 144 DPI (150 %) each dialog still fits a 1024 x 768 screen, every text
// fits its control, and the licence's icon is 48 x 48.
TEST_P(ChainTest, At144DpiTheDialogsAndTheirTextsFit)
{
    const int dpi = 144;
    ScreenDpi screenDpi(dpi);
    desktop.install(PilotRoot::PalmComputing,
                    UsersDatBuilder().user("Ann Smith", "SmithA", 1).user("Bob Jones", "JonesB", 2));
    desktop.setLastUserName(PilotRoot::PalmComputing, "Bob Jones");
    start();
    WindowView users = expectDialog(USER_DIALOG_CAPTION);
    ASSERT_TRUE(users.control(USER_LIST_ID)) << "not the user dialog";
    expectLaidOutToFit(users, "worker.exe", USER_DIALOG_ID, dpi);
    pressButton(users.window, IDOK);

    WindowView license = expectDialog(LICENSE_CAPTION);
    ASSERT_TRUE(license.window);
    expectLaidOutToFit(license, "placer.exe", LICENSE_DIALOG_ID, dpi);
    // A static control takes the size of the icon it shows. Wine gives no
    // other process GetIconInfo on the icon, so its bitmap (the file's own
    // 48 x 48 image rather than a stretched 32 x 32 one) is not seen here.
    auto icon = std::find_if(license.controls.begin(), license.controls.end(), [](const ControlView &control) {
        return (control.style & SS_TYPEMASK) == SS_ICON;
    });
    ASSERT_NE(icon, license.controls.end());
    EXPECT_NE(0, SendMessageA(icon->window, STM_GETICON, 0, 0));
    EXPECT_EQ(48, icon->rect.right - icon->rect.left);
    EXPECT_EQ(48, icon->rect.bottom - icon->rect.top);
    pressButton(license.window, IDNO);
    expectMessage("The Kelvane Amber version has not been installed.", "Kelvane Setup");
    ASSERT_TRUE(waitUntilGone(CHAIN_PROGRAMS));
}
