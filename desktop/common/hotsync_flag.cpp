// The HotSync Manager's install flag of one user.
#include "lcreg.h"
#include "lcreg_internal.h"

namespace {

// The HotSync Manager's install flags are DWORDs.
const DWORD EARLIER_VALUE_SIZE = 16;

// A value as it was before the setup wrote it: its type and data, or none.
struct EarlierValue {
    LONG found;
    DWORD type;
    DWORD size;
    BYTE data[EARLIER_VALUE_SIZE];
};

void keepEarlierValue(HKEY key, const char *valueName, EarlierValue *earlier)
{
    earlier->size = sizeof earlier->data;
    earlier->found = RegQueryValueExA(key, valueName, NULL, &earlier->type, earlier->data, &earlier->size);
}

// Puts the value back as it was, a missing one by deleting it. One too
// large to be kept (no flag the HotSync Manager writes) stays as set.
void restoreEarlierValue(HKEY key, const char *valueName, const EarlierValue &earlier)
{
    if (earlier.found == ERROR_FILE_NOT_FOUND)
        RegDeleteValueA(key, valueName);
    else if (earlier.found == ERROR_SUCCESS)
        RegSetValueExA(key, valueName, 0, earlier.type, earlier.data, earlier.size);
    RegFlushKey(key);
}

} // namespace

int setHotSyncInstallFlag(short slot)
{
    HKEY key;
    if (!openPilotDesktopKey("HotSync Manager", &key))
        return 0;
    char valueName[32];
    wsprintfA(valueName, "Install%d", static_cast<int>(slot));
    EarlierValue earlier;
    keepEarlierValue(key, valueName, &earlier);
    DWORD one = 1;
    LONG result = RegSetValueExA(key, valueName, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&one), sizeof one);
    // Windows writes the registry to the disk lazily, seconds later: the
    // flag counts only once it would survive a power cut. One that does
    // not is refused, and must not stay set after the failure is told.
    if (result == ERROR_SUCCESS) {
        result = RegFlushKey(key);
        if (result != ERROR_SUCCESS)
            restoreEarlierValue(key, valueName, earlier);
    }
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}
