// The launcher, run as a child process with the recorder carried in place
// of both programs: what it writes and how it starts the worker.
#include "chain_driver.h"
#include "child_process.h"
#include "start_log.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

namespace {

std::string launcher()
{
    return programFolder() + "\\setup_with_recorder.exe";
}

// Runs the launcher with this command line in `folder` and waits for it
// and for the worker it started (which ends by itself).
void runLauncher(const std::string &commandLine, const std::string &folder, const std::string &program = launcher())
{
    ChildProcess setup(program, commandLine, folder);
    DWORD exitCode = 1;
    ASSERT_TRUE(setup.waitForExit(&exitCode));
    EXPECT_EQ(0u, exitCode);
}

// The one start that the worker stand-in recorded, waiting for it a while:
// the launcher does not wait for the worker.
StartRecord workerStart(const std::string &folder)
{
    std::vector<StartRecord> starts;
    DWORD start = GetTickCount();
    while ((starts = readStartLog(folder + "\\started.log")).empty() && GetTickCount() - start < CHILD_TIMEOUT_MS)
        pumpFor(20);
    EXPECT_EQ(1u, starts.size());
    return starts.empty() ? StartRecord() : starts[0];
}

} // namespace

TEST(Launcher, PassesItsTailToTheWorkerUnchanged)
{
    const std::string tail248(248, 't'), tail300 = std::string(299, 'u') + "v";
    const struct {
        std::string launcherLine;
        std::string workerLine;
        std::string workerTail;
    } cases[] = {
        {"setup.exe", "worker.exe", ""},
        {"setup.exe -v", "worker.exe -v", "-v"},
        {"\"C:\\some where\\setup.exe\"   -v", "worker.exe -v", "-v"},
        {"setup.exe a \"b c\"  d  ", "worker.exe a \"b c\"  d  ", "a \"b c\"  d  "},
        {"setup.exe \t-V x", "worker.exe -V x", "-V x"},
        {"setup.exe " + tail248, "worker.exe " + tail248, tail248},
        {"setup.exe " + tail300, "worker.exe " + tail300, tail300},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.launcherLine.substr(0, 40));
        TempFolder folder("setup");
        runLauncher(c.launcherLine, folder.path());
        StartRecord worker = workerStart(folder.path());
        EXPECT_EQ(c.workerLine, worker["commandLine"]);
        EXPECT_EQ(c.workerTail, worker["tail"]);
        EXPECT_EQ(folder.path(), worker["currentDirectory"]);
    }
}

TEST(Launcher, OverwritesBothProgramFilesWithTheCarriedOnes)
{
    TempFolder folder("setup");
    writeFileBytes(folder / "placer.exe", "old installer, much longer than nothing at all");
    writeFileBytes(folder / "worker.exe", "old worker");
    runLauncher("setup.exe", folder.path());
    workerStart(folder.path());
    std::string carried = readFileBytes(recorderProgram());
    EXPECT_TRUE(carried == readFileBytes(folder / "placer.exe"));
    EXPECT_TRUE(carried == readFileBytes(folder / "worker.exe"));
}

// The worker gets the launcher's hold on placer.exe, which spares it the
// digest; with or without a tail, the tail passes on unchanged (above).
TEST(Launcher, HandsTheWorkerItsHoldOnTheInstaller)
{
    TempFolder folder("setup");
    runLauncher("setup.exe", folder.path());
    StartRecord worker = workerStart(folder.path());
    EXPECT_NE("", worker["installerHold"]);
    EXPECT_EQ("placer.exe", worker["installerHoldOn"]);
}

TEST(Launcher, StartsTheWorkerItWroteNotOneBesideItself)
{
    // A downloads folder, say: the launcher with a planted worker.exe.
    TempFolder downloads("downloads"), work("work");
    CopyFileA(launcher().c_str(), (downloads / "setup.exe").c_str(), FALSE);
    CopyFileA(recorderProgram().c_str(), (downloads / "worker.exe").c_str(), FALSE);
    runLauncher("setup.exe -v", work.path(), downloads / "setup.exe");
    StartRecord worker = workerStart(work.path());
    EXPECT_EQ(work / "worker.exe", worker["module"]);
    EXPECT_EQ("worker.exe -v", worker["commandLine"]);
}

// A program that cannot be written whole is not started, nor is anything
// else: one message names the file and the error of the write. A folder on
// a read-only medium takes no file; a copy left from an earlier run that
// another process holds open without write sharing (still running, say, or
// another account's) cannot be overwritten and is never run in its place.
TEST(Launcher, StartsNothingWhenAProgramCannotBeWritten)
{
    const struct {
        const char *staleFile;  // NULL: the folder takes no file at all
        const char *message;
        std::vector<std::string> filesAfter;
    } cases[] = {
        {NULL, "Could not start placer.exe - error: 2", {}},  // as Wine reports /proc
        // The name of a file held open cannot be given to another file.
        {"placer.exe", "Could not start placer.exe - error: 5", {"placer.exe"}},
        {"worker.exe", "Could not start worker.exe - error: 5", {"placer.exe", "worker.exe"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.message);
        TempFolder work("setup");
        // /proc, seen through drive Z:, where not even root can make a file.
        std::string folder = c.staleFile ? work.path() : "Z:\\proc";
        HANDLE held = INVALID_HANDLE_VALUE;
        if (c.staleFile) {
            ASSERT_TRUE(CopyFileA(recorderProgram().c_str(), (work / c.staleFile).c_str(), FALSE));
            held = CreateFileA((work / c.staleFile).c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0,
                               NULL);
            ASSERT_NE(INVALID_HANDLE_VALUE, held);
        }

        ChildProcess setup(launcher(), "setup.exe -v", folder);
        CapturedBox box;
        EXPECT_TRUE(setup.nextMessageBox(&box)) << box.caption;
        EXPECT_EQ(c.message, box.text);
        EXPECT_EQ("Kelvane - Setup", box.caption);
        EXPECT_TRUE(isPlainBox(box));
        DWORD exitCode = 1;
        ASSERT_TRUE(setup.waitForExit(&exitCode));
        EXPECT_EQ(0u, exitCode);
        EXPECT_TRUE(waitUntilGone({"placer.exe", "worker.exe"}));
        if (held != INVALID_HANDLE_VALUE)
            CloseHandle(held);

        EXPECT_FALSE(fileExists(folder + "\\started.log")) << "a program was started";
        if (c.staleFile) {
            EXPECT_EQ(c.filesAfter, filesIn(folder));
            EXPECT_TRUE(readFileBytes(recorderProgram()) == readFileBytes(work / c.staleFile));
        } else {
            EXPECT_FALSE(fileExists(folder + "\\placer.exe"));
        }
    }
}
