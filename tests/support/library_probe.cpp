// Stands in for a program of the product to show where its libraries come
// from. It prepares the DLL search as its tail says:
//   "restricted"   as the programs start: restrictLibrarySearch;
//   "fallback"     as on a Windows without SetDefaultDllDirectories:
//                  preloadSystemLibraries alone;
//   "unprotected"  not at all, to show what a planted library would do.
// Then it loads Rich Edit as the installer does, makes a Rich Edit control
// with a scroll bar, and appends to "libraries.log" in its current
// directory (the start log's fields) the system folder and the file of
// each library of interest, empty when it is not loaded.
#include "command_tail.h"
#include "start_log_writer.h"
#include "library_search.h"

#include <windows.h>

namespace {

const char *const LIBRARIES[] = {"RICHED32.DLL", "RICHED20.DLL", "USP10.DLL", "UXTHEME.DLL", "MSIMG32.DLL"};

void useRichEdit()
{
    HWND edit = CreateWindowExA(0, "RICHEDIT", "text", WS_POPUP | WS_VSCROLL | ES_MULTILINE, 0, 0, 100, 100, NULL,
                                NULL, NULL, NULL);
    if (edit)
        DestroyWindow(edit);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const char *mode = commandTail(GetCommandLineA());
    if (lstrcmpA(mode, "restricted") == 0)
        restrictLibrarySearch();
    else if (lstrcmpA(mode, "fallback") == 0)
        preloadSystemLibraries();
    loadSystemLibrary("RICHED32.DLL");
    useRichEdit();

    HANDLE log = openStartLog("libraries.log");
    if (log == INVALID_HANDLE_VALUE)
        return 1;
    char path[MAX_PATH];
    GetSystemDirectoryA(path, sizeof path);
    appendStartLogField(log, "systemFolder", path);
    for (const char *library : LIBRARIES) {
        HMODULE module = GetModuleHandleA(library);
        path[0] = '\0';
        if (module)
            GetModuleFileNameA(module, path, sizeof path);
        appendStartLogField(log, library, path);
    }
    appendStartLogField(log, "end", "");
    CloseHandle(log);
    return 0;
}
