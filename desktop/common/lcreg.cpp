// Registry operations on the Pilot Desktop's keys that both programs read,
// the trace hook and the string query that the whole module shares.
#include "lcreg.h"
#include "lcreg_internal.h"

namespace {

const char *const PILOT_DESKTOP_ROOTS[] = {
    "Software\\U.S. Robotics\\Pilot Desktop",
    "Software\\Palm Computing\\Pilot Desktop",
};

// Path data is offered one byte less than the caller's buffer holds.
const DWORD PATH_QUERY_SIZE = PALM_PATH_SIZE - 1;
const DWORD LAST_USER_QUERY_SIZE = 64;

TraceRecord lastTrace = {0, 0, 0, 0};

} // namespace

const char LCREG_TRACE_SOURCE[] = "desktop/common/lcreg";
const char PRODUCT_KEY[] = "Software\\Kelvane";
const char INSTALLED_USER_VALUE[] = "Installed User";

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
        traceFailure(LCREG_TRACE_SOURCE, __LINE__, 0);
        return 0;
    }
    lstrcpyA(buffer, users.records[0].name);
    return 1;
}

