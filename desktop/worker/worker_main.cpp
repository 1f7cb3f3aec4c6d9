// The worker: chooses the Palm Desktop user, records the choice and starts
// the installer, which the launcher wrote into the current directory.
#include "installer_check.h"
#include "start_program.h"
#include "user_choice.h"

#include "command_tail.h"
#include "name_removal.h"

#include <windows.h>

namespace {

// The installer is started by its name relative to the current directory,
// and held, reported and removed by its bare name, which is also its
// command line.
const char INSTALLER_PATH[] = ".\\placer.exe";
const char *const INSTALLER_FILE = INSTALLER_PATH + 2;
const char *const INSTALLER_COMMAND_LINE = INSTALLER_FILE;

} // namespace

// The tail comes from GetCommandLineA, by the product's tail rules.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // Held from the start, through the user dialog, until the installer's
    // process exists: nobody can swap it while the person chooses.
    HANDLE installer = holdCarriedInstaller(INSTALLER_FILE);
    int installerStarted = 0;
    if (chooseUser(commandTail(GetCommandLineA()))) {
        if (installer != INVALID_HANDLE_VALUE)
            installerStarted = startProgram(INSTALLER_PATH, INSTALLER_COMMAND_LINE);
        else
            reportStartFailure(INSTALLER_COMMAND_LINE);
    }
    if (installer != INVALID_HANDLE_VALUE)
        CloseHandle(installer);
    // An installer that will never run leaves no file behind. By now the
    // name may be somebody's link: it goes, not what it points to.
    if (!installerStarted)
        removeOwnName(INSTALLER_FILE);
    return 0;
}
