// The HotSync Manager's install flag of one user.
#include "lcreg.h"
#include "lcreg_internal.h"

namespace {

// The HotSync Manager's install flags are DWORDs; an earlier value is
// kept whole up to this size, whatever its type. One larger is not
// touched at all: it could not be put back as it was.
const DWORD EARLIER_VALUE_SIZE = 1024;

// A value as it was before the setup wrote it: its type and data, or none.
struct EarlierValue {
    LONG found;
    DWORD type;
    DWORD size;
    BYTE data[EARLIER_VALUE_SIZE];
};

// 1 when the value was read whole or is not there. One that does not fit
// answers ERROR_MORE_DATA with its size; that, or any other failure to
// read it, is 0.
int keepEarlierValue(HKEY key, const char *valueName, EarlierValue *earlier)
{
    earlier->size = sizeof earlier->data;
    earlier->found = RegQueryValueExA(key, valueName, NULL, &earlier->type, earlier->data, &earlier->size);
    return earlier->found == ERROR_SUCCESS || earlier->found == ERROR_FILE_NOT_FOUND;
}

// Puts the value back as it was, its type and bytes, a missing one by
// deleting it, and flushes that in its turn.
void restoreEarlierValue(HKEY key, const char *valueName, const EarlierValue &earlier)
{
    if (earlier.found == ERROR_FILE_NOT_FOUND)
        RegDeleteValueA(key, valueName);
    else
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
    // A value that could not be put back as it was is left unchanged.
    EarlierValue earlier;
    DWORD one = 1;
    LONG result = keepEarlierValue(key, valueName, &earlier)
                      ? RegSetValueExA(key, valueName, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&one), sizeof one)
                      : ERROR_MORE_DATA;
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
