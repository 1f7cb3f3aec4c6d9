#include "resource_extract.h"

namespace {

// Creates or empties the file, writes the bytes in one write straight from
// the loaded image (no copy) and rewinds. A file that did not take every
// byte is closed and deleted. Keeps the error of the step that failed.
HANDLE writeNewFile(const char *fileName, const void *bytes, DWORD size)
{
    HANDLE file = CreateFileA(fileName, GENERIC_READ | GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              NULL);
    if (file == INVALID_HANDLE_VALUE)
        return file;
    DWORD written = 0;
    if (!WriteFile(file, bytes, size, &written, NULL))
        OutputDebugStringA("WriteFile() - failed\n");
    else if (written != size)
        SetLastError(ERROR_DISK_FULL);
    else if (SetFilePointer(file, 0, NULL, FILE_BEGIN) == 0)
        return file;
    DWORD error = GetLastError();
    CloseHandle(file);
    DeleteFileA(fileName);
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

} // namespace

HANDLE extractResourceToHeldFile(HMODULE module, const char *type, int id, const char *fileName)
{
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(static_cast<WORD>(id)), type);
    if (!found)
        return INVALID_HANDLE_VALUE;
    DWORD size = SizeofResource(module, found);
    HGLOBAL loaded = LoadResource(module, found);
    if (!loaded)
        return INVALID_HANDLE_VALUE;
    HANDLE file = INVALID_HANDLE_VALUE;
    const void *bytes = LockResource(loaded);
    if (bytes)
        file = writeNewFile(fileName, bytes, size);
    DWORD error = GetLastError();
    FreeResource(loaded);
    SetLastError(error);
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
