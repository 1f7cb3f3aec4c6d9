// The lookup of optional KERNEL32 functions as the Windows that Wine
// imitates had them: Wine's own KERNEL32 has every function whatever
// version it shows. Linked into a test build of the three programs in
// place of desktop/common/system_function.cpp, so that a chain run as
// Windows 95 to XP takes the ways the programs have without them.
#include "system_function.h"

FARPROC kernelFunction(const char *name)
{
    DWORD version = GetVersion();
    bool windows95To98 = (version & 0x80000000) != 0;
    bool beforeVista = LOBYTE(LOWORD(version)) < 6;
    if ((windows95To98 && lstrcmpA(name, "MoveFileExA") == 0) ||
        (beforeVista && lstrcmpA(name, "GetFinalPathNameByHandleA") == 0))
        return NULL;
    return GetProcAddress(GetModuleHandleA("KERNEL32.DLL"), name);
}
