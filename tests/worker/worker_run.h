// Runs the built worker the way the launcher leaves it: in a current
// directory of its own that holds "placer.exe", here the recorder stand-in
// (with a worker built to start that one).
#pragma once

#include "child_process.h"
#include "fake_palm_desktop.h"
#include "start_log.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>

const int ID_USER_LIST = 1000;
const int ID_ACTIVE_USER = 1001;

// The worker of the build, which starts only the installer of the build.
std::string workerProgram();
// The same worker built to start the recorder stand-in as its installer.
std::string workerForRecorder();

// One stored registry value.
struct StoredValue {
    DWORD type;
    std::string bytes;
};
// Every value under "Software\Kelvane" that the worker writes, by name.
std::map<std::string, StoredValue> installedRecords();

std::uint64_t fileTimeNow();
std::uint64_t fileTimeOf(const std::string &eightBytes);

class WorkerRun {
public:
    WorkerRun();

    FakePalmDesktop desktop;
    TempFolder folder{"wk"};

    // A Pilot Desktop with these users, slots 1, 2, ... and folders U0, U1, ...
    void installUsers(const std::vector<std::string> &names);
    // Starts the worker as the launcher would: "worker.exe", a blank and
    // the tail when there is one. The current directory is folder.
    ChildProcess &start(const std::string &tail = "");
    // Starts the worker with this exact command line.
    ChildProcess &startWithCommandLine(const std::string &commandLine, const std::string &program = workerForRecorder());
    // Waits for the worker to end and expects the exit code 0.
    void expectExitCodeZero();

    std::string installerPath() const { return folder / "placer.exe"; }
    bool installerKept() const { return fileExists(installerPath()); }
    // The complete records of "started.log" in folder, so far.
    std::vector<StartRecord> installerStarts() const;
    // Exactly one start: the command line "placer.exe", the current
    // directory folder, and the program the file in that folder.
    ::testing::AssertionResult installerStartedOnce() const;

    std::unique_ptr<ChildProcess> child;
};

// The four records of a choice of `name`, with their types and exact bytes,
// the date taken between `notBefore` and `notAfter`.
::testing::AssertionResult recordsOfChoice(const std::string &name, std::uint64_t notBefore, std::uint64_t notAfter);
// No record at all: the product key was not even created.
::testing::AssertionResult nothingRecorded();
