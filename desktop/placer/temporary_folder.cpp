#include "temporary_folder.h"

DWORD usableTempPath(char *folder, DWORD size)
{
    DWORD length = GetTempPathA(size, folder);
    if (length == 0 || length >= size)
        return 0;
    // Stepped by byte: no double-byte code page has '?' as a trail byte.
    for (const char *at = folder; *at; ++at) {
        if (*at == '?')
            return 0;
    }
    return length;
}
