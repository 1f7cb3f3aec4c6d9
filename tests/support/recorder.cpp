// A stand-in for one of the product's programs: it only records that it was
// started, with what, and where, by appending to "started.log" in its
// current directory. Tests put it where the real program would be.
#include "command_tail.h"
#include "start_log_writer.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR winMainTail, int)
{
    HANDLE file = openStartLog("started.log");
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    char module[MAX_PATH];
    GetModuleFileNameA(NULL, module, sizeof module);
    char folder[MAX_PATH];
    GetCurrentDirectoryA(sizeof folder, folder);
    appendStartLogField(file, "commandLine", GetCommandLineA());
    appendStartLogField(file, "winMainTail", winMainTail);
    appendStartLogField(file, "tail", commandTail(GetCommandLineA()));
    appendStartLogField(file, "module", module);
    appendStartLogField(file, "currentDirectory", folder);
    appendStartLogField(file, "end", "");
    CloseHandle(file);
    return 0;
}
