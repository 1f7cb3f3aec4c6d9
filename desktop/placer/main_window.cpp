#include "main_window.h"

#include "app_instance.h"
#include "install_sequence.h"
#include "resource.h"

namespace {

const char MAIN_WINDOW_CLASS[] = "kelvsetup";
const char MAIN_WINDOW_TITLE[] = "Kelvane Setup";
const int SMALL_ICON_SIZE = 16;

// The window is never really destroyed by the program, but anything that
// closes it would send WM_DESTROY too: the sequence must still run once.
bool sequenceStarted = false;

void startInstallSequenceOnce(HWND window)
{
    if (sequenceStarted)
        return;
    sequenceStarted = true;
    runInstallSequence(window);
}

} // namespace

ATOM registerMainWindowClass(HINSTANCE instance)
{
    WNDCLASSEXA windowClass;
    ZeroMemory(&windowClass, sizeof windowClass);
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = mainWndProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_PRODUCT));
    windowClass.hIconSm = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_PRODUCT), IMAGE_ICON,
                                                        SMALL_ICON_SIZE, SMALL_ICON_SIZE, LR_DEFAULTCOLOR));
    windowClass.hCursor = LoadCursorA(NULL, IDC_ARROW);
    windowClass.lpszClassName = MAIN_WINDOW_CLASS;
    return RegisterClassExA(&windowClass);
}

int createMainWindow(HINSTANCE instance, int)
{
    appInstance = instance;
    HWND window = CreateWindowExA(0, MAIN_WINDOW_CLASS, MAIN_WINDOW_TITLE, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, NULL, NULL, instance, NULL);
    if (!window)
        return 0;
    // Whatever show command the program got, the window stays hidden.
    ShowWindow(window, SW_HIDE);
    UpdateWindow(window);
    return 1;
}

LRESULT CALLBACK mainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        // Only a trigger: the message loop takes it once RICHED32 is loaded.
        PostMessageA(window, WM_DESTROY, 0, 0);
        return 0;
    case WM_DESTROY:
        startInstallSequenceOnce(window);
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
