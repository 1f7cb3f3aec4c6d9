#include "program_start.h"

int startProgramFromCurrentDirectory(const char *relativeName, char *commandLine, BOOL inheritHandles)
{
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;  // 68 in the 32-bit product
    PROCESS_INFORMATION process;
    if (!CreateProcessA(relativeName, commandLine, NULL, NULL, inheritHandles, 0, NULL, NULL, &startup, &process))
        return 0;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 1;
}
