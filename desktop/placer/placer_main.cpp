// The installer program: a hidden window whose message loop runs the
// install sequence once, then ends with exit code 0.
#include "library_search.h"
#include "main_window.h"

namespace {
const char RICH_EDIT_LIBRARY[] = "RICHED32.DLL";
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    if (!registerMainWindowClass(instance))
        return 0;
    if (!createMainWindow(instance, showCommand))
        return 0;
    // Loaded before the loop takes the request that opens the licence
    // dialog, whose agreement control is of its class. From the system
    // folder, never the folder we run from. Never freed.
    loadSystemLibrary(RICH_EDIT_LIBRARY);

    MSG message = {};  // a failed GetMessageA still ends with exit code 0
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
