// A library that someone planted in a download folder under the name of a
// system DLL. Whatever loads it, its DllMain leaves a marker beside it,
// "<its own file>.ran", and does nothing else.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID)
{
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    char marker[MAX_PATH + 8];
    DWORD length = GetModuleFileNameA(self, marker, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return TRUE;
    lstrcatA(marker, ".ran");
    HANDLE file = CreateFileA(marker, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return TRUE;
}
