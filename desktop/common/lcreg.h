// Access to the Pilot Desktop's registry keys and user database, and to the
// product's own registry records. Shared by the installer and the worker.
#pragma once

#include <windows.h>

enum {
    MAX_PALM_USERS = 100,
    RECORD_SCAN_LIMIT = 128,
    USER_NAME_SIZE = 128,
    PALM_PATH_SIZE = 260,
    INSTALLED_USER_SIZE = 260,
};

// One Palm Desktop user as users.dat holds it.
struct UserRecord {
    char name[USER_NAME_SIZE];
    char directory[USER_NAME_SIZE];
    short slot;
    int flags;
};

struct UserTable {
    UserRecord records[MAX_PALM_USERS];
    int count;
};

// Trace hook for registry failures. It changes nothing the user sees; the
// last call is kept so that a debugger or a test can look at it.
struct TraceRecord {
    const char *sourceFile;
    int sourceLine;
    DWORD errorCode;
    int calls;
};
void traceFailure(const char *sourceFile, int sourceLine, DWORD errorCode);
const TraceRecord *lastTraceFailure();

// The Palm Desktop directory of a caller that gets none from the registry:
// the folder "pilot" at the root of the current drive.
extern const char FALLBACK_DESKTOP_PATH[];

int getPalmDesktopPath(char *buffer);                 // buffer of PALM_PATH_SIZE
int getCurrentActiveUser(char *buffer);               // buffer of at least USER_NAME_SIZE
int setHotSyncInstallFlag(short slot);                // written and flushed to the disk
int writeInstalledUser(const char *name);
int readInstalledUser(char *buffer);                  // buffer of INSTALLED_USER_SIZE
int writeInstalledDate();
int writeInstalledEdition();

// Reads users.dat into the caller's table. 1 when the file was opened, 0
// (after a message box that tells why) when it was not; count and records
// are then untouched. At most `capacity` records are filled, and the count
// reported never exceeds it.
int readUserDatabase(UserRecord *records, int capacity, int *count);

// Queries a string value so that the buffer always ends with a NUL inside
// bufferSize, whatever type or bytes are stored. querySize is the data
// size offered to the registry. Returns 1 on success, 0 otherwise.
int queryStringValue(HKEY key, const char *valueName, char *buffer, DWORD querySize, DWORD bufferSize);
