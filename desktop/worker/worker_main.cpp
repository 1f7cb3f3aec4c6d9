// The worker: chooses the Palm Desktop user, records the choice and starts
// the installer, which the launcher wrote into the current directory.
#include "start_program.h"
#include "user_choice.h"

#include "command_tail.h"

#include <windows.h>

namespace {

const char INSTALLER_FILE[] = "placer.exe";
const char INSTALLER_COMMAND_LINE[] = "placer.exe";

} // namespace

// The tail comes from GetCommandLineA, by the product's tail rules.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    int installerStarted = 0;
    if (chooseUser(commandTail(GetCommandLineA())))
        installerStarted = startProgram(INSTALLER_FILE, INSTALLER_COMMAND_LINE);
    // An installer that will never run leaves no file behind.
    if (!installerStarted)
        DeleteFileA(INSTALLER_FILE);
    return 0;
}
