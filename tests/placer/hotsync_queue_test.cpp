// Queueing a file for a user's next HotSync: the copy into the user's
// install folder, then the install flag.
#include "fake_palm_desktop.h"
#include "hotsync_queue.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

UserRecord userRecord(const std::string &directory, short slot)
{
    UserRecord user;
    std::memset(&user, 0, sizeof user);
    lstrcpyA(user.name, "Ann");
    lstrcpyA(user.directory, directory.c_str());
    user.slot = slot;
    return user;
}

} // namespace

class HotSyncQueueTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        desktop.install(PilotRoot::USRobotics, UsersDatBuilder().user("Ann", "AnnDir", 4));
        makeFolder(payloadFolder / "a");
        makeFolder(payloadFolder / "a\\b");
        payload = payloadFolder / "a\\b\\kelv.prc";
        writeFileBytes(payload, "the application");
    }

    bool flagged(short slot)
    {
        DWORD type = 0;
        std::string data;
        return FakePalmDesktop::readValue(std::string(pilotRootKey(PilotRoot::USRobotics)) + "\\HotSync Manager",
                                          "Install" + std::to_string(slot), &type, &data);
    }
    std::string queued(const std::string &directory = "AnnDir")
    {
        return desktop.installFolder(directory) + "\\kelv.prc";
    }

    FakePalmDesktop desktop;
    TempFolder payloadFolder{"payload"};
    std::string payload;
};

TEST_F(HotSyncQueueTest, CopiesUnderTheBaseNameThenSetsTheFlag)
{
    UserRecord user = userRecord("AnnDir", 4);
    ASSERT_EQ(1, queueForHotSync(payload.c_str(), &user));
    EXPECT_EQ("the application", readFileBytes(queued()));
    EXPECT_TRUE(flagged(4));

    // Again, over an existing folder and file: replaced, flagged again.
    writeFileBytes(payload, "a newer application");
    ASSERT_EQ(1, queueForHotSync(payload.c_str(), &user));
    EXPECT_EQ("a newer application", readFileBytes(queued()));

    // A Palm Desktop directory stored with a trailing backslash.
    desktop.setPath(PilotRoot::USRobotics, desktop.folder() + "\\");
    ASSERT_EQ(1, queueForHotSync(payload.c_str(), &user));
}

TEST_F(HotSyncQueueTest, FailureLeavesTheFlagUntouched)
{
    UserRecord missingFolder = userRecord("NoSuchUser", 5);
    EXPECT_EQ(0, queueForHotSync(payload.c_str(), &missingFolder));
    EXPECT_FALSE(folderExists(desktop.folder() + "\\NoSuchUser"));
    EXPECT_FALSE(flagged(5));

    desktop.makeUserFolder("FileUser");
    writeFileBytes(desktop.folder() + "\\FileUser\\install", "a plain file");
    UserRecord plainFile = userRecord("FileUser", 6);
    EXPECT_EQ(0, queueForHotSync(payload.c_str(), &plainFile));
    EXPECT_EQ("a plain file", readFileBytes(desktop.folder() + "\\FileUser\\install"));
    EXPECT_FALSE(flagged(6));

    UserRecord user = userRecord("AnnDir", 4);
    std::string gone = payloadFolder / "gone.prc";
    EXPECT_EQ(0, queueForHotSync(gone.c_str(), &user));
    EXPECT_FALSE(fileExists(desktop.installFolder("AnnDir") + "\\gone.prc"));
    EXPECT_FALSE(flagged(4));
}

TEST_F(HotSyncQueueTest, FlagThatCannotBeSetLeavesTheFileQueued)
{
    // Only the Core key: no HotSync Manager key below either root.
    FakePalmDesktop::removeAllKeys();
    desktop.setPath(PilotRoot::USRobotics, desktop.folder());
    UserRecord user = userRecord("AnnDir", 4);
    EXPECT_EQ(0, queueForHotSync(payload.c_str(), &user));
    EXPECT_TRUE(fileExists(queued()));
}

TEST_F(HotSyncQueueTest, UnregisteredDesktopMeansPilotOnTheCurrentDrive)
{
    FakePalmDesktop::removeAllKeys();
    desktop.createKey(PilotRoot::USRobotics, "HotSync Manager");
    ScopedCurrentDirectory here(payloadFolder.path());
    UserRecord user = userRecord("AnnDir", 4);
    EXPECT_EQ(0, queueForHotSync(payload.c_str(), &user));
    EXPECT_FALSE(flagged(4));
}

TEST_F(HotSyncQueueTest, PathsTooLongAreRefusedNeverCut)
{
    // A Palm Desktop directory of 200 characters.
    std::string longDesktop = desktop.folder() + "\\";
    longDesktop += std::string(200 - longDesktop.size(), 'p');
    makeFolder(longDesktop);
    desktop.setPath(PilotRoot::USRobotics, longDesktop);

    // The install folder would need 264 characters.
    std::string directory(55, 'd');
    makeFolder(longDesktop + "\\" + directory);
    UserRecord user = userRecord(directory, 4);
    EXPECT_EQ(0, queueForHotSync(payload.c_str(), &user));
    EXPECT_FALSE(folderExists(longDesktop + "\\" + directory + "\\instal"));
    EXPECT_FALSE(flagged(4));

    // The folder fits in 254, the destination file would need 263.
    std::string shorter(45, 'e');
    makeFolder(longDesktop + "\\" + shorter);
    UserRecord tight = userRecord(shorter, 4);
    EXPECT_EQ(0, queueForHotSync(payload.c_str(), &tight));
    EXPECT_FALSE(fileExists(longDesktop + "\\" + shorter + "\\install\\kel"));
    EXPECT_FALSE(flagged(4));
}

TEST_F(HotSyncQueueTest, PathWithoutBackslashIsItsOwnBaseName)
{
    ScopedCurrentDirectory here(payloadFolder.path() + "\\a\\b");
    UserRecord user = userRecord("AnnDir", 4);
    ASSERT_EQ(1, queueForHotSync("kelv.prc", &user));
    EXPECT_EQ("the application", readFileBytes(queued()));
}

// A record from a damaged or cut users.dat may name no folder, or a path
// that leads out of the Palm Desktop folder or to another user's folder:
// nothing is created, copied or flagged, although every place it could lead
// to exists.
TEST_F(HotSyncQueueTest, FolderThatIsNotOnePlainNameIsRefused)
{
    makeFolder(desktop.folder() + "\\a");
    makeFolder(desktop.folder() + "\\a\\b");
    const std::vector<std::string> reachable = {desktop.folder(), desktop.parentFolder(), desktop.folder() + "\\a\\b",
                                                desktop.folder() + "\\AnnDir"};
    // Windows drops dots and blanks at the end of a path's part: "..." and
    // ". " name the Palm Desktop folder itself, "AnnDir." names AnnDir.
    for (const char *directory : {"", ".", "..", "a\\b", "a/b", "..\\AnnDir", ".\\AnnDir", "a:", "C:AnnDir", "...",
                                  ". ", " .", "AnnDir.", "AnnDir ", "AnnDir. ."}) {
        SCOPED_TRACE(directory);
        UserRecord user = userRecord(directory, 7);
        EXPECT_EQ(0, queueForHotSync(payload.c_str(), &user));
        for (const std::string &folder : reachable)
            EXPECT_FALSE(folderExists(folder + "\\install")) << folder;
        EXPECT_FALSE(flagged(7));
    }
}
