#include "payload_file.h"

#include "app_instance.h"
#include "file_compare.h"
#include "resource.h"
#include "resource_extract.h"

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

// The carried bytes, in the loaded image.
const BYTE *carriedPayload(DWORD *size)
{
    HRSRC found = FindResourceA(appInstance, MAKEINTRESOURCEA(IDR_PAYLOAD), PAYLOAD_RESOURCE_TYPE);
    if (!found)
        return NULL;
    *size = SizeofResource(appInstance, found);
    HGLOBAL loaded = LoadResource(appInstance, found);
    return loaded ? static_cast<const BYTE *>(LockResource(loaded)) : NULL;
}

// Opens the file so that nobody can change it any more, then checks that
// it holds the carried bytes: it was closed after the write, and a shared
// temporary folder lets others swap a file in between.
HANDLE holdIfCarried(const char *path)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return file;
    DWORD size = 0;
    const BYTE *bytes = carriedPayload(&size);
    if (bytes && fileHoldsBytes(file, bytes, size) && SetFilePointer(file, 0, NULL, FILE_BEGIN) == 0)
        return file;
    CloseHandle(file);
    return INVALID_HANDLE_VALUE;
}

HANDLE writeAndHold(const char *path)
{
    if (!extractResourceToFile(appInstance, PAYLOAD_RESOURCE_TYPE, IDR_PAYLOAD, path))
        return INVALID_HANDLE_VALUE;
    HANDLE held = holdIfCarried(path);
    if (held == INVALID_HANDLE_VALUE)
        DeleteFileA(path);
    return held;
}

} // namespace

HANDLE writeCarriedPayload(char *path)
{
    if (completePayloadPath(GetTempPathA(PAYLOAD_PATH_SIZE, path), path)) {
        HANDLE held = writeAndHold(path);
        if (held != INVALID_HANDLE_VALUE)
            return held;
    }
    if (!completePayloadPath(GetCurrentDirectoryA(PAYLOAD_PATH_SIZE, path), path)) {
        lstrcpyA(path, CURRENT_FOLDER);
        lstrcatA(path, PAYLOAD_FILE_NAME);
    }
    return writeAndHold(path);
}
