#include "resource_extract.h"

int extractResourceToFile(HMODULE module, const char *type, int id, const char *fileName)
{
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(static_cast<WORD>(id)), type);
    if (!found)
        return 0;
    DWORD size = SizeofResource(module, found);
    HGLOBAL loaded = LoadResource(module, found);
    if (!loaded)
        return 0;
    int whole = 0;
    // The bytes go from the loaded image to the file in one write: no copy.
    const void *bytes = LockResource(loaded);
    if (bytes) {
        HANDLE file = CreateFileA(fileName, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            if (!WriteFile(file, bytes, size, &written, NULL))
                OutputDebugStringA("WriteFile() - failed\n");
            whole = written == size;
            CloseHandle(file);
        }
    }
    FreeResource(loaded);
    return whole;
}
