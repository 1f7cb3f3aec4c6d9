// Registry operations on the Pilot Desktop's keys and on the product key.
#include "lcreg.h"

namespace {

const char TRACE_SOURCE[] = "desktop/common/lcreg";
const char *const PILOT_DESKTOP_ROOTS[] = {
    "Software\\U.S. Robotics\\Pilot Desktop",
    "Software\\Palm Computing\\Pilot Desktop",
};
const char PRODUCT_KEY[] = "Software\\Kelvane";
const char INSTALLED_USER_VALUE[] = "Installed User";
const char INSTALLED_DATE_VALUE[] = "Installed Date";
const char INSTALLED_EDITION_VALUE[] = "Installed Edition";
const char INSTALLED_VERSION_VALUE[] = "Installed Version";
const char PRODUCT_EDITION[] = "Amber";
const char PRODUCT_VERSION[] = "3.5.02";

// Path data is offered one byte less than the caller's buffer holds.
const DWORD PATH_QUERY_SIZE = PALM_PATH_SIZE - 1;
const DWORD LAST_USER_QUERY_SIZE = 64;

TraceRecord lastTrace = {0, 0, 0, 0};

// Opens a Pilot Desktop subkey below the first root that has it. The key
// that opens first is the only one used, also when it lacks the value.
int openPilotDesktopKey(const char *subkey, HKEY *key)
{
    for (const char *root : PILOT_DESKTOP_ROOTS) {
        char path[128];
        lstrcpyA(path, root);
        lstrcatA(path, "\\");
        lstrcatA(path, subkey);
        if (RegOpenKeyA(HKEY_CURRENT_USER, path, key) == ERROR_SUCCESS)
            return 1;
    }
    return 0;
}

int createProductKey(HKEY *key)
{
    return RegCreateKeyExA(HKEY_CURRENT_USER, PRODUCT_KEY, 0, NULL, REG_OPTION_NON_VOLATILE,
                           KEY_WRITE, NULL, key, NULL) == ERROR_SUCCESS;
}

LONG setStringValue(HKEY key, const char *valueName, const char *text)
{
    return RegSetValueExA(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE *>(text),
                          static_cast<DWORD>(lstrlenA(text) + 1));
}

} // namespace

void traceFailure(const char *sourceFile, int sourceLine, DWORD errorCode)
{
    lastTrace.sourceFile = sourceFile;
    lastTrace.sourceLine = sourceLine;
    lastTrace.errorCode = errorCode;
    ++lastTrace.calls;
}

const TraceRecord *lastTraceFailure()
{
    return &lastTrace;
}

int queryStringValue(HKEY key, const char *valueName, char *buffer, DWORD querySize, DWORD bufferSize)
{
    DWORD type = 0;
    DWORD size = querySize;
    if (RegQueryValueExA(key, valueName, NULL, &type, reinterpret_cast<BYTE *>(buffer), &size) != ERROR_SUCCESS)
        return 0;
    if (size > querySize)
        return 0;
    // Data stored without its NUL, or with another type, still has to end
    // as a string inside the buffer; only the bytes written count.
    if (size > 0 && buffer[size - 1] == '\0')
        return 1;
    if (size >= bufferSize)
        return 0;
    buffer[size] = '\0';
    return 1;
}

int getPalmDesktopPath(char *buffer)
{
    HKEY key;
    if (!openPilotDesktopKey("Core", &key))
        return 0;
    int found = queryStringValue(key, "Path", buffer, PATH_QUERY_SIZE, PALM_PATH_SIZE);
    RegCloseKey(key);
    return found;
}

int getCurrentActiveUser(char *buffer)
{
    HKEY key;
    if (openPilotDesktopKey("Preferences", &key)) {
        int found = queryStringValue(key, "LastUserName", buffer, LAST_USER_QUERY_SIZE, USER_NAME_SIZE);
        RegCloseKey(key);
        if (found)
            return 1;
    }

    static UserTable users;  // static: too large to sit on the stack of a dialog procedure
    if (!readUserDatabase(users.records, MAX_PALM_USERS, &users.count))
        return 0;
    if (users.count != 1) {
        traceFailure(TRACE_SOURCE, __LINE__, 0);
        return 0;
    }
    lstrcpyA(buffer, users.records[0].name);
    return 1;
}

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

int writeInstalledUser(const char *name)
{
    HKEY key;
    if (!createProductKey(&key))
        return 0;
    LONG result = setStringValue(key, INSTALLED_USER_VALUE, name);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

int readInstalledUser(char *buffer)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, PRODUCT_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    int found = queryStringValue(key, INSTALLED_USER_VALUE, buffer, INSTALLED_USER_SIZE, INSTALLED_USER_SIZE);
    RegCloseKey(key);
    return found;
}

int writeInstalledDate()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    HKEY key;
    if (!createProductKey(&key)) {
        traceFailure(TRACE_SOURCE, __LINE__, GetLastError());
        return 0;
    }
    BYTE data[8];
    CopyMemory(data, &now.dwLowDateTime, 4);
    CopyMemory(data + 4, &now.dwHighDateTime, 4);
    LONG result = RegSetValueExA(key, INSTALLED_DATE_VALUE, 0, REG_BINARY, data, sizeof data);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) {
        traceFailure(TRACE_SOURCE, __LINE__, GetLastError());
        return 0;
    }
    return 1;
}

int writeInstalledEdition()
{
    HKEY key;
    if (!createProductKey(&key)) {
        traceFailure(TRACE_SOURCE, __LINE__, GetLastError());
        return 0;
    }
    if (setStringValue(key, INSTALLED_EDITION_VALUE, PRODUCT_EDITION) != ERROR_SUCCESS) {
        RegCloseKey(key);
        traceFailure(TRACE_SOURCE, __LINE__, GetLastError());
        return 0;
    }
    LONG result = setStringValue(key, INSTALLED_VERSION_VALUE, PRODUCT_VERSION);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) {
        traceFailure(TRACE_SOURCE, __LINE__, GetLastError());
        return 0;
    }
    return 1;
}
