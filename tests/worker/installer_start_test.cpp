// How the worker starts the installer, or deletes it when it never will.
#include "worker_run.h"

namespace {

std::string beginningOf(const std::string &text, const std::string &prefix)
{
    return text.substr(0, prefix.size());
}

} // namespace

TEST(WorkerInstallerStart, AnUnreadableDatabaseShowsOnlyTheReadersMessage)
{
    struct Case {
        const char *what;
        bool desktopRegistered;
        const char *messageStart;
    } cases[] = {
        {"no users.dat", true, "Error - Could not open users.dat file."},
        {"no Pilot Desktop", false, "Error - Could not find Pilot path."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        WorkerRun run;
        if (c.desktopRegistered)
            run.desktop.setPath(PilotRoot::USRobotics, run.desktop.folder());
        run.start("-v");
        CapturedBox box;
        ASSERT_TRUE(run.child->nextMessageBox(&box));
        EXPECT_EQ(c.messageStart, beginningOf(box.text, c.messageStart));
        EXPECT_EQ("Kelvane Setup", box.caption);
        EXPECT_TRUE(box.hasIcon);
        run.expectExitCodeZero();  // a second message would have kept it running

        EXPECT_TRUE(nothingRecorded());
        EXPECT_FALSE(run.installerKept());
        EXPECT_TRUE(run.installerStarts().empty());
    }
}

TEST(WorkerInstallerStart, AnInstallerThatCannotStartIsReportedOnceAndDeletedAfterTheRecords)
{
    // A program, but not the one the worker was built with: one byte more,
    // and it would still run.
    const std::string anotherProgram = readFileBytes(recorderProgram()) + '\0';
    struct Case {
        const char *what;
        const std::string *fileBytes;  // nullptr: no file at all
    };
    const std::string textFile = "This is not a program.\r\n", emptyFile;
    const Case cases[] = {
        {"a text file", &textFile},
        {"an empty file", &emptyFile},
        {"no file", nullptr},
        {"another program", &anotherProgram},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        WorkerRun run;
        DeleteFileA(run.installerPath().c_str());
        if (c.fileBytes)
            writeFileBytes(run.installerPath(), *c.fileBytes);
        run.installUsers({"Ann"});
        std::uint64_t before = fileTimeNow();
        run.start();

        HWND window = run.child->nextDialog();
        ASSERT_TRUE(window) << "no message";
        CapturedBox box = captureOf(viewWindow(window));
        EXPECT_EQ("Could not start placer.exe", box.text);
        EXPECT_EQ("Kelvane - Setup", box.caption);
        EXPECT_TRUE(isPlainBox(box));
        // While the message shows, the records are written and the file is
        // still there: it goes only afterwards.
        EXPECT_TRUE(recordsOfChoice("Ann", before, fileTimeNow()));
        EXPECT_EQ(c.fileBytes != nullptr, run.installerKept());
        pressButton(window, IDOK);
        run.expectExitCodeZero();  // a second message would have kept it running

        EXPECT_TRUE(recordsOfChoice("Ann", before, fileTimeNow()));
        EXPECT_FALSE(run.installerKept());
        EXPECT_TRUE(run.installerStarts().empty());
    }
}

// The program search looks in the worker's own folder before the current
// directory; the worker must start the file that was written beside it in
// the current directory, not one that happens to lie beside worker.exe.
class WorkerBesideADecoy : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CopyFileA(workerForRecorder().c_str(), (otherFolder / "worker.exe").c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(recorderProgram().c_str(), decoyPath().c_str(), FALSE));
        run.installUsers({"Ann"});
    }
    void startOtherWorker() { run.startWithCommandLine("worker.exe", otherFolder / "worker.exe"); }
    std::string decoyPath() const { return otherFolder / "placer.exe"; }

    TempFolder otherFolder{"decoy"};
    WorkerRun run;
};

TEST_F(WorkerBesideADecoy, StartsTheInstallerOfTheCurrentDirectory)
{
    startOtherWorker();
    run.expectExitCodeZero();
    // Both stand-ins log into the current directory; the module tells which ran.
    EXPECT_TRUE(run.installerStartedOnce());
    EXPECT_TRUE(run.installerKept());
    EXPECT_TRUE(fileExists(decoyPath()));
}

TEST_F(WorkerBesideADecoy, NeverFallsBackOnTheDecoyWhenTheCurrentDirectoryHasNone)
{
    DeleteFileA(run.installerPath().c_str());
    startOtherWorker();
    CapturedBox box;
    ASSERT_TRUE(run.child->nextMessageBox(&box));
    EXPECT_EQ("Could not start placer.exe", box.text);
    run.expectExitCodeZero();
    EXPECT_TRUE(run.installerStarts().empty());
    EXPECT_TRUE(fileExists(decoyPath()));
}

// The launcher hands the worker its hold on placer.exe (an inherited
// handle, its value in KELVANE_INSTALLER_HOLD). Only a hold on the
// worker's own placer.exe that nobody can write stands for the digest;
// any other value makes the worker compute the digest, as when it is
// started by hand, and a program that is not the carried one is refused.
TEST(WorkerInstallerStart, AHandedOverHoldStandsForTheDigestOnlyWhenItHoldsThePlacerFile)
{
    const std::string carried = readFileBytes(recorderProgram()), another = carried + '\0';
    enum Handed { NOTHING, HOLD_ON_PLACER, HOLD_SHARING_WRITES, HOLD_ON_A_COPY_ELSEWHERE, NO_HANDLE, NOT_A_NUMBER };
    const struct {
        const char *what;
        const std::string *placerBytes;
        Handed handed;
        bool started;
    } cases[] = {
        {"started by hand", &carried, NOTHING, true},
        {"started by hand, another program", &another, NOTHING, false},
        {"the launcher's hold", &carried, HOLD_ON_PLACER, true},
        // Its parent vouches for the bytes, and could start them itself.
        {"a hold the parent vouches for", &another, HOLD_ON_PLACER, true},
        {"a handle that shares writes", &another, HOLD_SHARING_WRITES, false},
        {"a hold on the carried installer elsewhere", &another, HOLD_ON_A_COPY_ELSEWHERE, false},
        {"a value naming no handle", &another, NO_HANDLE, false},
        {"a value that is no number", &another, NOT_A_NUMBER, false},
        {"a value naming no handle, the carried installer", &carried, NO_HANDLE, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        WorkerRun run;
        TempFolder elsewhere("hold");
        writeFileBytes(run.installerPath(), *c.placerBytes);
        writeFileBytes(elsewhere / "placer.exe", carried);
        run.installUsers({"Ann"});
        SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, NULL, TRUE};
        std::string held = c.handed == HOLD_ON_A_COPY_ELSEWHERE ? elsewhere / "placer.exe" : run.installerPath();
        DWORD sharing = c.handed == HOLD_SHARING_WRITES ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ;
        HANDLE hold = CreateFileA(held.c_str(), GENERIC_READ, sharing, &inheritable, OPEN_EXISTING, 0, NULL);
        ASSERT_NE(INVALID_HANDLE_VALUE, hold);
        std::string value = std::to_string(reinterpret_cast<ULONG_PTR>(hold));
        if (c.handed == NO_HANDLE)
            value = "4000000";
        else if (c.handed == NOT_A_NUMBER)
            value += "x";
        SetEnvironmentVariableA("KELVANE_INSTALLER_HOLD", c.handed == NOTHING ? NULL : value.c_str());
        run.child.reset(new ChildProcess(workerForRecorder(), "worker.exe", run.folder.path(), true));
        SetEnvironmentVariableA("KELVANE_INSTALLER_HOLD", NULL);
        CloseHandle(hold);

        if (c.started) {
            run.expectExitCodeZero();
            ASSERT_TRUE(run.installerStartedOnce());
            EXPECT_EQ("", run.installerStarts()[0]["installerHold"]) << "the hand-over went on to the installer";
        } else {
            CapturedBox box;
            ASSERT_TRUE(run.child->nextMessageBox(&box));
            EXPECT_EQ("Could not start placer.exe", box.text);
            run.expectExitCodeZero();
            EXPECT_TRUE(run.installerStarts().empty());
        }
    }
}
