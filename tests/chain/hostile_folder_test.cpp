// The chain run from a download folder that holds anybody's files.
#include "chain_run.h"
#include "planted_libraries.h"
#include "wine_app_defaults.h"

// setup.exe saved into a download folder that holds anybody's files, and
// run from there: placer.exe and worker.exe are written there and run from
// there too. Nothing in that folder runs but what the setup wrote.
class ChainInHostileFolder : public ChainRun {
protected:
    void startSavedCopy()
    {
        std::string saved = work / "setup.exe";
        ASSERT_TRUE(CopyFileA((programFolder() + "\\setup.exe").c_str(), saved.c_str(), FALSE));
        startIn(work.path(), "", saved);
    }
};

// Copies of system DLLs planted beside the programs, and Wine told to take
// a DLL file found along the search path first, as Windows does. Both
// dialogs are shown, so the worker's and the installer's libraries load.
// MSIMG32.DLL is not planted: it comes through a delayed import, whose
// resolver in Wine 8 ignores the restricted search, so Wine cannot show
// what Windows does with it.
TEST_F(ChainInHostileFolder, PlantedLibrariesNeverRun)
{
    plantLibraries(work.path());
    ProgramDllOverrides nativeFirst(CHAIN_PROGRAMS, plantableLibraries(), NATIVE_FIRST);
    desktop.install(PilotRoot::PalmComputing,
                    UsersDatBuilder().user("Ann Smith", "SmithA", 1).user("Bob Jones", "JonesB", 2));
    startSavedCopy();
    chooseUser(1);
    answerLicense(IDYES);
    expectMessage(queuedMessage("Bob Jones"), "Kelvane Setup");
    ASSERT_TRUE(waitUntilGone(CHAIN_PROGRAMS));

    expectQueuedFor("JonesB");
    EXPECT_EQ(std::vector<std::string>{}, plantedLibrariesThatRan(work.path()));
}
