// A stand-in for one of the product's programs: it only records that it was
// started, with what, and where, by appending to "started.log" in its
// current directory. Tests put it where the real program would be.
#include "command_tail.h"
#include "installer_hold.h"
#include "start_log_writer.h"

#include <windows.h>

#include <cstdlib>

namespace {

// The handle value names a hold on the "placer.exe" of the current directory.
bool holdsPlacer(const char *value)
{
    if (!*value)
        return false;
    HANDLE hold = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(std::strtoul(value, NULL, 10)));
    HANDLE placer = CreateFileA("placer.exe", 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                OPEN_EXISTING, 0, NULL);
    BY_HANDLE_FILE_INFORMATION held, named;
    bool same = placer != INVALID_HANDLE_VALUE && GetFileInformationByHandle(hold, &held) &&
                GetFileInformationByHandle(placer, &named) &&
                held.dwVolumeSerialNumber == named.dwVolumeSerialNumber &&
                held.nFileIndexLow == named.nFileIndexLow && held.nFileIndexHigh == named.nFileIndexHigh;
    if (placer != INVALID_HANDLE_VALUE)
        CloseHandle(placer);
    return same;
}

} // namespace

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
    // The launcher's hand-over of its hold on the installer, as found here.
    char hold[32] = "";
    GetEnvironmentVariableA(INSTALLER_HOLD_VARIABLE, hold, sizeof hold);
    appendStartLogField(file, "installerHold", hold);
    appendStartLogField(file, "installerHoldOn", holdsPlacer(hold) ? "placer.exe" : "");
    appendStartLogField(file, "end", "");
    CloseHandle(file);
    return 0;
}
