// Where a program's libraries come from when its folder holds planted
// copies of system DLLs and Wine, like Windows, takes a DLL file found
// along the search path first. The library probe stands in for the
// product's programs, in such a folder, once for each way of starting.
#include "child_process.h"
#include "planted_libraries.h"
#include "start_log.h"
#include "temp_folder.h"
#include "wine_app_defaults.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

const char PROBE[] = "library_probe.exe";

// Runs the probe from the folder with the given tail; its libraries.log.
StartRecord runProbe(const std::string &folder, const std::string &mode)
{
    std::string probe = folder + "\\" + PROBE;
    if (!CopyFileA((programFolder() + "\\" + PROBE).c_str(), probe.c_str(), FALSE))
        throw std::runtime_error("cannot copy the probe");
    ChildProcess child(probe, std::string(PROBE) + " " + mode, folder);
    DWORD exitCode = 1;
    EXPECT_TRUE(child.waitForExit(&exitCode));
    EXPECT_EQ(0u, exitCode);
    std::vector<StartRecord> records = readStartLog(folder + "\\libraries.log");
    return records.size() == 1 ? records[0] : StartRecord();
}

bool inFolder(const std::string &path, const std::string &folder)
{
    return path.size() > folder.size() + 1 && lstrcmpiA(path.substr(0, folder.size()).c_str(), folder.c_str()) == 0 &&
           path[folder.size()] == '\\' && path.find('\\', folder.size() + 1) == std::string::npos;
}

} // namespace

TEST(LibrarySearch, PlantedLibrariesNeverRunAndRichEditComesFromTheSystemFolder)
{
    const struct {
        const char *mode;
        bool protectedFromPlanting;
    } cases[] = {
        {"restricted", true},  // as the programs start; Wine has SetDefaultDllDirectories
        {"fallback", true},    // as on Windows 95 to 7 without it: the preload alone
        {"unprotected", false},  // shows that the planted copies would run here
    };
    ProgramDllOverrides nativeFirst({PROBE}, plantableLibraries(), NATIVE_FIRST);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.mode);
        TempFolder downloads("downloads");
        plantLibraries(downloads.path());
        StartRecord libraries = runProbe(downloads.path(), c.mode);
        ASSERT_FALSE(libraries.empty()) << "the probe wrote no log";

        if (!c.protectedFromPlanting) {
            EXPECT_FALSE(plantedLibrariesThatRan(downloads.path()).empty());
            continue;
        }
        EXPECT_EQ(std::vector<std::string>{}, plantedLibrariesThatRan(downloads.path()));
        const std::string &systemFolder = libraries["systemFolder"];
        EXPECT_TRUE(inFolder(libraries["RICHED32.DLL"], systemFolder)) << libraries["RICHED32.DLL"];
        for (const char *library : {"RICHED20.DLL", "USP10.DLL", "UXTHEME.DLL"}) {
            const std::string &file = libraries[library];
            EXPECT_TRUE(file.empty() || inFolder(file, systemFolder)) << library << ": " << file;
        }
    }
}
