// The chain with folders on a real small file system, a tmpfs that
// small_drive.sh mounts and names in KELVANE_SMALL_DRIVE: a write there
// stops when the drive is full, as on a full disk. Each test fills the
// drive to leave a given room free. Run by the ctest entry chain.full_drive
// alone, never in the ordinary run of the suite.
#include "chain_run.h"

#include <cstdlib>
#include <memory>
#include <stdexcept>

namespace {

const ULONGLONG PAGE = 4096;  // tmpfs counts whole pages

// The Windows path of the mounted drive (seen through Wine's drive Z:).
std::string smallDrive()
{
    const char *unixPath = std::getenv("KELVANE_SMALL_DRIVE");
    if (!unixPath || !*unixPath)
        throw std::runtime_error("KELVANE_SMALL_DRIVE names no drive: run through small_drive.sh");
    std::string path = std::string("Z:") + unixPath;
    for (char &c : path) {
        if (c == '/')
            c = '\\';
    }
    return path;
}

ULONGLONG pagesOf(const std::string &file)
{
    return (readFileBytes(file).size() + PAGE - 1) / PAGE;
}

} // namespace

class ChainOnFullDrive : public ChainRun {
protected:
    void TearDown() override
    {
        ChainRun::TearDown();
        for (const std::string &folder : {setupFolder, tempFolder, pilotFolder})
            removeTree(folder);
        DeleteFileA(filler.c_str());
    }

    // Fills the drive so that `pages` pages stay free.
    void leaveFree(ULONGLONG pages)
    {
        ULARGE_INTEGER free;
        ASSERT_TRUE(GetDiskFreeSpaceExA((drive + "\\").c_str(), &free, NULL, NULL));
        ASSERT_GE(free.QuadPart, pages * PAGE) << "the drive is too small";
        writeFileBytes(filler, std::string(static_cast<size_t>(free.QuadPart - pages * PAGE), 'f'));
    }

    // The Palm Desktop of Ann Smith (slot 3) in drive\pilot.
    void installDesktopOnDrive()
    {
        makeFolder(pilotFolder);
        makeFolder(pilotFolder + "\\SmithA");
        writeFileBytes(pilotFolder + "\\users.dat", UsersDatBuilder().user("Ann Smith", "SmithA", 3).bytes());
        desktop.setPath(PilotRoot::PalmComputing, pilotFolder);
        desktop.createKey(PilotRoot::PalmComputing, "HotSync Manager");
    }

    void useTempFolderOnDrive()
    {
        makeFolder(tempFolder);
        tmp_.reset(new ScopedEnvironment("TMP", tempFolder));
        temp_.reset(new ScopedEnvironment("TEMP", tempFolder));
    }

    void runAnsweringYes(const std::string &folder, const std::string &lastMessage,
                         const std::string &program = programFolder() + "\\setup.exe")
    {
        startIn(folder, "", program);
        answerLicense(IDYES);
        expectMessage(lastMessage, "Kelvane Setup");
        ASSERT_TRUE(waitUntilGone(CHAIN_PROGRAMS));
    }

    const std::string drive = smallDrive();
    const std::string setupFolder = drive + "\\setup";
    const std::string tempFolder = drive + "\\temp";
    const std::string pilotFolder = drive + "\\pilot";
    const std::string filler = drive + "\\filler";
    const std::string failedMessage = "Intallation of Kelvane for user: Ann Smith - FAILED";
    std::unique_ptr<ScopedEnvironment> tmp_;
    std::unique_ptr<ScopedEnvironment> temp_;
};

// The drive holds the setup folder and the temporary folder and has room
// for the two programs only: the payload fits nowhere, and nothing is
// queued, not even a cut-off copy.
TEST_F(ChainOnFullDrive, NoRoomForThePayloadQueuesNothing)
{
    desktop.install(PilotRoot::PalmComputing, UsersDatBuilder().user("Ann Smith", "SmithA", 3));
    makeFolder(setupFolder);
    useTempFolderOnDrive();
    leaveFree(pagesOf(programFolder() + "\\placer.exe") + pagesOf(programFolder() + "\\worker.exe"));
    runAnsweringYes(setupFolder, failedMessage);

    EXPECT_FALSE(fileExists(desktop.installFolder("SmithA") + "\\kelv.prc"));
    EXPECT_EQ(std::vector<std::string>{}, filesIn(desktop.installFolder("SmithA")));
    EXPECT_EQ(0u, installFlag(3));
    EXPECT_EQ(std::vector<std::string>{}, filesIn(tempFolder));
    EXPECT_EQ(std::vector<std::string>{"placer.exe"}, filesIn(setupFolder));
}

// The Palm Desktop lies on the full drive: the copy fails, and an earlier
// queued copy stays whole, with its flag, or no file is left at all.
TEST_F(ChainOnFullDrive, FullPalmDesktopDriveKeepsTheEarlierCopy)
{
    const std::string earlier(PAGE, 'e');
    for (bool earlierCopy : {false, true}) {
        SCOPED_TRACE(earlierCopy ? "an earlier copy" : "no earlier copy");
        installDesktopOnDrive();
        std::string installFolder = pilotFolder + "\\SmithA\\install";
        if (earlierCopy) {
            makeFolder(installFolder);
            writeFileBytes(installFolder + "\\kelv.prc", earlier);
            desktop.setValue(PilotRoot::PalmComputing, "HotSync Manager", "Install3", REG_DWORD,
                             std::string("\x01\x00\x00\x00", 4));
        }
        leaveFree(0);
        runAnsweringYes(work.path(), failedMessage);

        if (earlierCopy) {
            EXPECT_EQ(std::vector<std::string>{"kelv.prc"}, filesIn(installFolder));
            EXPECT_TRUE(readFileBytes(installFolder + "\\kelv.prc") == earlier) << "the earlier copy changed";
            EXPECT_EQ(1u, installFlag(3));
        } else {
            EXPECT_EQ(std::vector<std::string>{}, filesIn(installFolder));
            EXPECT_EQ(0u, installFlag(3));
        }
        EXPECT_EQ(std::vector<std::string>{"placer.exe"}, filesIn(work.path()));
        removeTree(pilotFolder);
        DeleteFileA(filler.c_str());
    }
}

// Three databases, earlier copies of the first two waiting, and room for
// the new copies of those two only: the third cannot be placed, so the two
// earlier copies stay, the flag is not touched, and no new name is left.
TEST_F(ChainOnFullDrive, NoRoomForTheThirdDatabaseKeepsTheEarlierCopies)
{
    installDesktopOnDrive();
    std::string installFolder = pilotFolder + "\\SmithA\\install";
    makeFolder(installFolder);
    const std::string earlier(PAGE, 'e');
    for (const char *name : {"kelv.prc", "kelvdata.pdb"})
        writeFileBytes(installFolder + "\\" + name, earlier);
    desktop.setValue(PilotRoot::PalmComputing, "HotSync Manager", "Install3", REG_DWORD, std::string(4, '\0'));
    leaveFree(pagesOf(PAYLOAD_FILE) + pagesOf(THREE_DATABASES_DIR "\\kelvdata.pdb"));
    runAnsweringYes(work.path(), failedMessage, threeDatabasesSetup());

    EXPECT_EQ((std::vector<std::string>{"kelv.prc", "kelvdata.pdb"}), filesIn(installFolder));
    for (const char *name : {"kelv.prc", "kelvdata.pdb"})
        EXPECT_TRUE(readFileBytes(installFolder + "\\" + name) == earlier) << name << " changed";
    EXPECT_EQ(0u, installFlag(3));
    EXPECT_EQ(std::vector<std::string>{"placer.exe"}, filesIn(work.path()));
}

// Only the temporary folder is on the full drive: the payload goes to the
// current folder instead, is queued whole, and nothing stays in the
// temporary folder.
TEST_F(ChainOnFullDrive, FullTemporaryFolderLeavesNothingBehind)
{
    desktop.install(PilotRoot::PalmComputing, UsersDatBuilder().user("Ann Smith", "SmithA", 3));
    useTempFolderOnDrive();
    leaveFree(0);
    runAnsweringYes(work.path(), queuedMessage("Ann Smith"));

    expectQueuedFor("SmithA");
    EXPECT_EQ(1u, installFlag(3));
    EXPECT_EQ(std::vector<std::string>{}, filesIn(tempFolder));
    EXPECT_EQ(std::vector<std::string>{"placer.exe"}, filesIn(work.path()));
}
