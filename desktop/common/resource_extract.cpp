#include "resource_extract.h"

#include "file_compare.h"
#include "file_placement.h"
#include "name_removal.h"

namespace {

const char STAGED_PREFIX[] = "kel";

struct CarriedBytes {
    HGLOBAL loaded;
    const BYTE *bytes;
    DWORD size;
};

// The resource's bytes in the loaded image, used in place (no copy).
int lockCarried(HMODULE module, const char *type, int id, CarriedBytes *carried)
{
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(static_cast<WORD>(id)), type);
    if (!found)
        return 0;
    carried->size = SizeofResource(module, found);
    carried->loaded = LoadResource(module, found);
    if (!carried->loaded)
        return 0;
    carried->bytes = static_cast<const BYTE *>(LockResource(carried->loaded));
    if (carried->bytes)
        return 1;
    FreeResource(carried->loaded);
    return 0;
}

void releaseCarried(const CarriedBytes &carried)
{
    DWORD error = GetLastError();
    FreeResource(carried.loaded);
    SetLastError(error);
}

// One write of every byte, then back to the start. Keeps the error of the
// step that failed; a write that took fewer bytes is a full disk.
int fillFile(HANDLE file, const BYTE *bytes, DWORD size)
{
    DWORD written = 0;
    if (!WriteFile(file, bytes, size, &written, NULL)) {
        OutputDebugStringA("WriteFile() - failed\n");
        return 0;
    }
    if (written != size) {
        SetLastError(ERROR_DISK_FULL);
        return 0;
    }
    return SetFilePointer(file, 0, NULL, FILE_BEGIN) == 0;
}

// A new file of a name nobody had, holding the bytes; nothing of it is
// left when it could not take them all.
HANDLE writeNewFile(const CarriedBytes &carried, const char *folder, const char *prefix, char *path)
{
    HANDLE file = createNewUniqueFile(folder, prefix, path);
    if (file == INVALID_HANDLE_VALUE || fillFile(file, carried.bytes, carried.size))
        return file;
    DWORD error = GetLastError();
    CloseHandle(file);
    removeOwnName(path);
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

// Opens the file sharing reading only and checks that it holds the bytes.
HANDLE holdIfSame(const char *fileName, const CarriedBytes &carried)
{
    HANDLE file = CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return file;
    if (fileHoldsBytes(file, carried.bytes, carried.size) && SetFilePointer(file, 0, NULL, FILE_BEGIN) == 0)
        return file;
    CloseHandle(file);
    SetLastError(ERROR_INVALID_DATA);
    return INVALID_HANDLE_VALUE;
}

// Writes a new file beside fileName, gives it fileName in place of
// whatever stood there, and holds it.
HANDLE placeAndHold(const char *fileName, const CarriedBytes &carried)
{
    char folder[MAX_PATH];
    if (!folderOfPath(fileName, folder)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return INVALID_HANDLE_VALUE;
    }
    char staged[MAX_PATH];
    HANDLE file = writeNewFile(carried, folder, STAGED_PREFIX, staged);
    if (file == INVALID_HANDLE_VALUE)
        return file;
    CloseHandle(file);
    if (moveOverName(staged, fileName))
        return holdIfSame(fileName, carried);
    DWORD error = GetLastError();
    removeOwnName(staged);
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

} // namespace

HANDLE extractResourceToNewFile(HMODULE module, const char *type, int id, const char *folder, const char *prefix,
                                char *path)
{
    CarriedBytes carried;
    if (!lockCarried(module, type, id, &carried))
        return INVALID_HANDLE_VALUE;
    HANDLE file = writeNewFile(carried, folder, prefix, path);
    releaseCarried(carried);
    return file;
}

HANDLE extractResourceToHeldFile(HMODULE module, const char *type, int id, const char *fileName)
{
    CarriedBytes carried;
    if (!lockCarried(module, type, id, &carried))
        return INVALID_HANDLE_VALUE;
    HANDLE file = placeAndHold(fileName, carried);
    releaseCarried(carried);
    return file;
}

int extractResourceToFile(HMODULE module, const char *type, int id, const char *fileName)
{
    HANDLE file = extractResourceToHeldFile(module, type, id, fileName);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    CloseHandle(file);
    return 1;
}
