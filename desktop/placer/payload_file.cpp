#include "payload_file.h"

#include "app_instance.h"
#include "name_removal.h"
#include "resource.h"
#include "resource_extract.h"
#include "temporary_folder.h"

namespace {

const char PAYLOAD_FILE_NAME[] = "\\kelv.prc";
const char CURRENT_FOLDER[] = ".";

enum { PAYLOAD_PATH_SIZE = MAX_PATH };

// Completes the folder name that a call returning `length` left in path to
// "<folder>\kelv.prc". 0 when there is none, or it is too long for the
// path: it is passed over, never cut.
int completePayloadPath(DWORD length, char *path)
{
    if (length == 0 || length + sizeof PAYLOAD_FILE_NAME > PAYLOAD_PATH_SIZE)
        return 0;
    lstrcatA(path, PAYLOAD_FILE_NAME);
    return 1;
}

// Written under another name first, which then takes the payload's name:
// a link planted there in a shared temporary folder is replaced, never
// written through. A file that others swapped in before it was held goes.
HANDLE writeAndHold(const char *path)
{
    HANDLE held = extractResourceToHeldFile(appInstance, PAYLOAD_RESOURCE_TYPE, IDR_PAYLOAD, path);
    if (held == INVALID_HANDLE_VALUE && GetLastError() == ERROR_INVALID_DATA)
        removeOwnName(path);
    return held;
}

} // namespace

HANDLE writeCarriedPayload(char *path)
{
    if (completePayloadPath(usableTempPath(path, PAYLOAD_PATH_SIZE), path)) {
        HANDLE held = writeAndHold(path);
        if (held != INVALID_HANDLE_VALUE)
            return held;
    }
    // Relative to the current folder, which Windows completes itself: its
    // ANSI name may hold letters that the code page lacks.
    lstrcpyA(path, CURRENT_FOLDER);
    lstrcatA(path, PAYLOAD_FILE_NAME);
    return writeAndHold(path);
}
