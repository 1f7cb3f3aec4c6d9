// The HotSync stand-in: flagged users' files go to the handheld folder and
// their flags are cleared; nothing else is touched.
#include "child_process.h"
#include "fake_palm_desktop.h"
#include "hotsync_carry.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

const DWORD NO_FLAG = 0xFFFFFFFF;

std::string dwordBytes(DWORD value)
{
    return std::string(reinterpret_cast<const char *>(&value), sizeof value);
}

} // namespace

class HotSyncStandinTest : public ::testing::Test {
protected:
    void install(const UsersDatBuilder &users, PilotRoot root = PilotRoot::PalmComputing)
    {
        registry.install(root, users);
        for (const PalmUser &user : users.users())
            makeFolder(installFolder(user.directory));
    }

    std::string installFolder(const std::string &directory) const { return desktop + "\\" + directory + "\\install"; }
    std::string handheld(const std::string &directory) const { return handheldRoot() + "\\" + directory; }
    std::string handheldRoot() const { return registry.parentFolder() + "\\handheld"; }

    void queue(const std::string &directory, const std::string &file, const std::string &bytes)
    {
        writeFileBytes(installFolder(directory) + "\\" + file, bytes);
    }

    void setFlag(short slot, DWORD value, PilotRoot root = PilotRoot::PalmComputing)
    {
        registry.setValue(root, "HotSync Manager", "Install" + std::to_string(slot), REG_DWORD, dwordBytes(value));
    }

    DWORD flag(short slot, PilotRoot root = PilotRoot::PalmComputing) const
    {
        DWORD type = 0;
        std::string data;
        std::string key = std::string(pilotRootKey(root)) + "\\HotSync Manager";
        if (!FakePalmDesktop::readValue(key, "Install" + std::to_string(slot), &type, &data) || type != REG_DWORD)
            return NO_FLAG;
        return *reinterpret_cast<const DWORD *>(data.data());
    }

    static std::string printed(const HotSyncRun &run)
    {
        std::ostringstream out;
        printHotSyncRun(out, run);
        return out.str();
    }

    FakePalmDesktop registry;  // the desktop's folder lies in a folder of its own, the handheld's too
    const std::string &desktop = registry.folder();
    UsersDatBuilder annAndBob = UsersDatBuilder().user("Ann Smith", "SmithA", 1).user("Bob Jones", "JonesB", 2);
};

TEST_F(HotSyncStandinTest, FlaggedUsersFilesMoveAndTheFlagIsCleared)
{
    install(annAndBob);
    queue("SmithA", "ann.prc", "not flagged");
    queue("JonesB", "kelv.prc", "application");
    queue("JonesB", "notes.pdb", "database");
    setFlag(2, 1);

    HotSyncRun run = runHotSync();

    ASSERT_TRUE(run.ok) << run.error;
    EXPECT_EQ("Bob Jones: kelv.prc -> " + handheld("JonesB") + "\\kelv.prc\n"
              "Bob Jones: notes.pdb -> " + handheld("JonesB") + "\\notes.pdb\n"
              "2 file(s) carried to the handheld.\n",
              printed(run));
    EXPECT_EQ("application", readFileBytes(handheld("JonesB") + "\\kelv.prc"));
    EXPECT_EQ("database", readFileBytes(handheld("JonesB") + "\\notes.pdb"));
    EXPECT_FALSE(fileExists(installFolder("JonesB") + "\\kelv.prc"));
    EXPECT_FALSE(fileExists(installFolder("JonesB") + "\\notes.pdb"));
    EXPECT_EQ(0u, flag(2));

    // The unflagged user is left as the Palm Desktop had it.
    EXPECT_EQ("not flagged", readFileBytes(installFolder("SmithA") + "\\ann.prc"));
    EXPECT_FALSE(folderExists(handheld("SmithA")));
    EXPECT_EQ(NO_FLAG, flag(1));
}

TEST_F(HotSyncStandinTest, AnEmptyOrMissingInstallFolderOnlyClearsTheFlag)
{
    install(annAndBob);
    removeTree(installFolder("SmithA"));
    setFlag(1, 1);
    setFlag(2, 1);

    HotSyncRun run = runHotSync();

    ASSERT_TRUE(run.ok) << run.error;
    EXPECT_EQ("0 file(s) carried to the handheld.\n", printed(run));
    EXPECT_EQ(0u, flag(1));
    EXPECT_EQ(0u, flag(2));
    EXPECT_FALSE(folderExists(handheldRoot()));
}

TEST_F(HotSyncStandinTest, OnlyADwordOfOneMeansFilesAreWaiting)
{
    struct Case {
        const char *what;
        DWORD type;
        std::string data;
        bool carried;
    };
    const Case cases[] = {
        {"DWORD 1", REG_DWORD, dwordBytes(1), true},
        {"DWORD 0", REG_DWORD, dwordBytes(0), false},
        {"DWORD 2", REG_DWORD, dwordBytes(2), false},
        {"string \"1\"", REG_SZ, std::string("1\0", 2), false},
    };
    install(annAndBob);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        queue("JonesB", "kelv.prc", "application");
        registry.setValue(PilotRoot::PalmComputing, "HotSync Manager", "Install2", c.type, c.data);

        HotSyncRun run = runHotSync();

        ASSERT_TRUE(run.ok) << run.error;
        EXPECT_EQ(c.carried ? 1u : 0u, run.carried.size());
        EXPECT_EQ(!c.carried, fileExists(installFolder("JonesB") + "\\kelv.prc"));
        removeTree(handheldRoot());
    }
}

TEST_F(HotSyncStandinTest, TheUSRoboticsHotSyncKeyComesFirst)
{
    install(annAndBob);
    queue("JonesB", "kelv.prc", "application");
    registry.createKey(PilotRoot::USRobotics, "HotSync Manager");
    setFlag(2, 1, PilotRoot::PalmComputing);
    EXPECT_TRUE(runHotSync().carried.empty()) << "the flag below the second root was taken";

    setFlag(2, 1, PilotRoot::USRobotics);
    HotSyncRun run = runHotSync();
    ASSERT_EQ(1u, run.carried.size());
    EXPECT_EQ(0u, flag(2, PilotRoot::USRobotics));
    EXPECT_EQ(1u, flag(2, PilotRoot::PalmComputing));
}

TEST_F(HotSyncStandinTest, HandheldFolderLiesBesideTheDesktop)
{
    const struct {
        const char *desktop;
        const char *handheld;
    } cases[] = {
        {"C:\\Palm", "C:\\handheld\\JonesB"},
        {"C:\\Palm\\", "C:\\handheld\\JonesB"},
        {"D:\\Programs\\Palm", "D:\\Programs\\handheld\\JonesB"},
        {"\\pilot", "\\handheld\\JonesB"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.handheld, handheldFolder(c.desktop, "JonesB")) << c.desktop;
}

TEST_F(HotSyncStandinTest, TheProgramFailsWithoutAPalmDesktopAndSucceedsWithOne)
{
    ASSERT_FALSE(folderExists("C:\\pilot")) << "the fallback folder exists in this prefix";
    std::string program = programFolder() + "\\hotsync_standin.exe";
    DWORD exitCode = 0;
    {
        ChildProcess standin(program, "hotsync_standin.exe", registry.parentFolder());
        ASSERT_TRUE(standin.waitForExit(&exitCode));
    }
    EXPECT_NE(0u, exitCode);

    install(annAndBob);
    queue("JonesB", "kelv.prc", "application");
    setFlag(2, 1);
    ChildProcess standin(program, "hotsync_standin.exe", registry.parentFolder());
    ASSERT_TRUE(standin.waitForExit(&exitCode));
    EXPECT_EQ(0u, exitCode);
    EXPECT_TRUE(fileExists(handheld("JonesB") + "\\kelv.prc"));
    EXPECT_EQ(0u, flag(2));
}
