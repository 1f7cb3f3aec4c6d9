#include "worker_run.h"

#include <gtest/gtest.h>

namespace {

const char *const RECORD_NAMES[] = {"Installed User", "Installed Date", "Installed Edition", "Installed Version"};

} // namespace

std::string workerProgram()
{
    return programFolder() + "\\worker.exe";
}

std::string workerForRecorder()
{
    return programFolder() + "\\worker_for_recorder.exe";
}

std::map<std::string, StoredValue> installedRecords()
{
    std::map<std::string, StoredValue> records;
    for (const char *name : RECORD_NAMES) {
        StoredValue value{0, {}};
        if (FakePalmDesktop::readValue(PRODUCT_KEY_PATH, name, &value.type, &value.bytes))
            records[name] = value;
    }
    return records;
}

std::uint64_t fileTimeNow()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

std::uint64_t fileTimeOf(const std::string &eightBytes)
{
    std::uint64_t value = 0;
    for (size_t i = eightBytes.size(); i-- > 0;)
        value = (value << 8) | static_cast<unsigned char>(eightBytes[i]);
    return value;
}

WorkerRun::WorkerRun()
{
    if (!CopyFileA(recorderProgram().c_str(), installerPath().c_str(), FALSE))
        throw std::runtime_error("cannot place the stand-in installer");
}

void WorkerRun::installUsers(const std::vector<std::string> &names)
{
    UsersDatBuilder users;
    short slot = 1;
    for (const std::string &name : names) {
        users.user(name, "U" + std::to_string(slot), slot);
        ++slot;
    }
    desktop.install(PilotRoot::USRobotics, users);
}

ChildProcess &WorkerRun::start(const std::string &tail)
{
    return startWithCommandLine(tail.empty() ? "worker.exe" : "worker.exe " + tail);
}

ChildProcess &WorkerRun::startWithCommandLine(const std::string &commandLine, const std::string &program)
{
    child.reset(new ChildProcess(program, commandLine, folder.path()));
    return *child;
}

void WorkerRun::expectExitCodeZero()
{
    DWORD code = 0xDEAD;
    ASSERT_TRUE(child->waitForExit(&code)) << "the worker did not end";
    EXPECT_EQ(0u, code);
}

std::vector<StartRecord> WorkerRun::installerStarts() const
{
    try {
        return readStartLog(folder / "started.log");
    } catch (const std::runtime_error &) {
        return {};  // still being written
    }
}

::testing::AssertionResult WorkerRun::installerStartedOnce() const
{
    // The worker does not wait for the installer, so its log may come later.
    DWORD start = GetTickCount();
    std::vector<StartRecord> starts = installerStarts();
    while (starts.empty() && GetTickCount() - start < CHILD_TIMEOUT_MS) {
        Sleep(20);
        starts = installerStarts();
    }
    if (starts.size() != 1)
        return ::testing::AssertionFailure() << "the installer was started " << starts.size() << " times";
    StartRecord started = starts[0];
    if (started["commandLine"] != "placer.exe")
        return ::testing::AssertionFailure() << "command line [" << started["commandLine"] << "]";
    if (lstrcmpiA(started["currentDirectory"].c_str(), folder.path().c_str()) != 0)
        return ::testing::AssertionFailure() << "current directory " << started["currentDirectory"];
    if (lstrcmpiA(started["module"].c_str(), installerPath().c_str()) != 0)
        return ::testing::AssertionFailure() << "started " << started["module"] << ", not " << installerPath();
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult recordsOfChoice(const std::string &name, std::uint64_t notBefore, std::uint64_t notAfter)
{
    std::map<std::string, StoredValue> records = installedRecords();
    const std::string nul(1, '\0');
    struct Expected {
        const char *name;
        std::string bytes;
    };
    for (const Expected &text : {Expected{"Installed User", name + nul}, Expected{"Installed Edition", "Amber" + nul},
                                 Expected{"Installed Version", "3.5.02" + nul}}) {
        auto found = records.find(text.name);
        if (found == records.end())
            return ::testing::AssertionFailure() << text.name << " is missing";
        if (found->second.type != REG_SZ || found->second.bytes != text.bytes)
            return ::testing::AssertionFailure() << text.name << " is [" << found->second.bytes << "] of type "
                                                 << found->second.type;
    }
    auto date = records.find("Installed Date");
    if (date == records.end())
        return ::testing::AssertionFailure() << "Installed Date is missing";
    if (date->second.type != REG_BINARY || date->second.bytes.size() != 8)
        return ::testing::AssertionFailure() << "Installed Date has type " << date->second.type << " and "
                                             << date->second.bytes.size() << " bytes";
    std::uint64_t written = fileTimeOf(date->second.bytes);
    if (written < notBefore || written > notAfter)
        return ::testing::AssertionFailure() << "Installed Date " << written << " lies outside " << notBefore
                                             << ".." << notAfter;
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult nothingRecorded()
{
    if (FakePalmDesktop::keyExists(PRODUCT_KEY_PATH))
        return ::testing::AssertionFailure() << "Software\\Kelvane exists";
    return ::testing::AssertionSuccess();
}
