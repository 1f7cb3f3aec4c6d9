// hotsync_standin.exe: plays the HotSync Manager for the demo and the tests.
//
// Finds the Palm Desktop directory (the registered "Core\Path", else
// "\pilot") and reads its users.dat. For each user whose REG_DWORD
// "Install<slot>" under the HotSync Manager key is 1 (the U.S. Robotics
// root first, then Palm Computing), it moves the files of
// "<desktop>\<user directory>\install" to
// "<parent of desktop>\handheld\<user directory>" and sets the flag to 0.
//
// Output on stdout, one line per moved file, then a total:
//   <user name>: <file name> -> <destination path>
//   <N> file(s) carried to the handheld.
// Exit code 0 on success; 1 with a message on stderr (and no total line)
// when the Palm Desktop is not found or a file cannot be moved.
#include "hotsync_carry.h"

#include <iostream>

int main()
{
    HotSyncRun run = runHotSync();
    printHotSyncRun(std::cout, run);
    if (!run.ok) {
        std::cerr << "hotsync_standin: " << run.error << "\n";
        return 1;
    }
    return 0;
}
