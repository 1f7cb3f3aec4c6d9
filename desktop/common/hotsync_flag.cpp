// The HotSync Manager's install flag of one user.
#include "lcreg.h"
#include "lcreg_internal.h"

int setHotSyncInstallFlag(short slot)
{
    HKEY key;
    if (!openPilotDesktopKey("HotSync Manager", &key))
        return 0;
    char valueName[32];
    wsprintfA(valueName, "Install%d", static_cast<int>(slot));
    DWORD one = 1;
    LONG result = RegSetValueExA(key, valueName, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&one), sizeof one);
    // Windows writes the registry to the disk lazily, seconds later: the
    // flag counts only once it would survive a power cut.
    if (result == ERROR_SUCCESS)
        result = RegFlushKey(key);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}
