#include "payload_file.h"

#include "app_instance.h"
#include "name_removal.h"
#include "resource_extract.h"
#include "temporary_folder.h"

namespace {

const char APPLICATION_NAME[] = "kelv.prc";
const char CURRENT_FOLDER[] = ".";
// The queued name of a further database: a resource of the same id, the
// name and its NUL, as the build checked it.
const char NAME_RESOURCE_TYPE[] = "PRCNAME";

enum { PAYLOAD_PATH_SIZE = MAX_PATH };

// Completes the folder name that a call returning `length` left in path to
// "<folder>\<name>". 0 when there is none, or it is too long for the
// path: it is passed over, never cut.
int completePayloadPath(DWORD length, char *path, const char *name)
{
    if (length == 0 || length + 1 + lstrlenA(name) >= PAYLOAD_PATH_SIZE)
        return 0;
    lstrcatA(path, "\\");
    lstrcatA(path, name);
    return 1;
}

// Written under another name first, which then takes the payload's name:
// a link planted there in a shared temporary folder is replaced, never
// written through. A file that others swapped in before it was held goes.
HANDLE writeAndHold(int id, const char *path)
{
    HANDLE held = extractResourceToHeldFile(appInstance, PAYLOAD_RESOURCE_TYPE, id, path);
    if (held == INVALID_HANDLE_VALUE && GetLastError() == ERROR_INVALID_DATA)
        removeOwnName(path);
    return held;
}

HANDLE writeCarriedDatabase(int id, const char *name, char *path)
{
    if (completePayloadPath(usableTempPath(path, PAYLOAD_PATH_SIZE), path, name)) {
        HANDLE held = writeAndHold(id, path);
        if (held != INVALID_HANDLE_VALUE)
            return held;
    }
    // Relative to the current folder, which Windows completes itself: its
    // ANSI name may hold letters that the code page lacks.
    lstrcpyA(path, CURRENT_FOLDER);
    completePayloadPath(1, path, name);
    return writeAndHold(id, path);
}

} // namespace

HANDLE writeCarriedPayload(char *path)
{
    return writeCarriedDatabase(IDR_PAYLOAD, APPLICATION_NAME, path);
}

int writeCarriedDatabases(CarriedDatabases *databases)
{
    databases->held[0] = writeCarriedPayload(databases->paths[0]);
    int count = 1;
    // The first id without a name ends the set.
    for (; count < MAX_DATABASES; ++count) {
        int id = IDR_FURTHER_DATABASES + count - 1;
        HRSRC found = FindResourceA(appInstance, MAKEINTRESOURCEA(id), NAME_RESOURCE_TYPE);
        const char *name = found ? static_cast<const char *>(LockResource(LoadResource(appInstance, found))) : NULL;
        if (!name)
            break;
        databases->held[count] = writeCarriedDatabase(id, name, databases->paths[count]);
    }
    return count;
}
