#include "library_search.h"

#include "system_function.h"

namespace {

const char SET_DEFAULT_DLL_DIRECTORIES[] = "SetDefaultDllDirectories";
const DWORD SEARCH_SYSTEM_FOLDER_ONLY = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32

typedef BOOL(WINAPI *SetDefaultDllDirectoriesFunction)(DWORD directoryFlags);

// Rich Edit 2.0 (which Rich Edit 1.0 loads on Windows 2000 and later), the
// script processor (which Rich Edit loads), the image library (a delayed
// import of the controls) and the theme library (dialogs and controls on XP
// and later). Leaves first, so that what each one imports is there already.
const char *const BARE_NAME_LIBRARIES[] = {"USP10.DLL", "MSIMG32.DLL", "UXTHEME.DLL", "RICHED20.DLL"};

} // namespace

HMODULE loadSystemLibrary(const char *fileName)
{
    char path[MAX_PATH];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length + 1 + lstrlenA(fileName) >= MAX_PATH)
        return NULL;
    lstrcatA(path, "\\");
    lstrcatA(path, fileName);
    // What the library imports is looked for beside it, not in our folder.
    HMODULE library = LoadLibraryExA(path, NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
    // A Windows that does not know the flag refuses it as a bad parameter.
    if (!library && GetLastError() == ERROR_INVALID_PARAMETER)
        library = LoadLibraryA(path);
    return library;
}

void preloadSystemLibraries()
{
    // A library that this Windows lacks, or cannot load, is passed over
    // without the system's message box.
    UINT previousMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    for (const char *name : BARE_NAME_LIBRARIES)
        loadSystemLibrary(name);
    SetErrorMode(previousMode);
}

void restrictLibrarySearch()
{
    // Windows 8 and later, and Vista and 7 with the update that added it.
    FARPROC found = kernelFunction(SET_DEFAULT_DLL_DIRECTORIES);
    SetDefaultDllDirectoriesFunction setDefaultDllDirectories =
        reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void (*)()>(found));
    if (setDefaultDllDirectories && setDefaultDllDirectories(SEARCH_SYSTEM_FOLDER_ONLY))
        return;
    preloadSystemLibraries();
}
