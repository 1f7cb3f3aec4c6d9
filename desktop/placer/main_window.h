// The installer's hidden main window. Creating it posts the request that
// starts the install sequence from the message loop.
#pragma once

#include <windows.h>

ATOM registerMainWindowClass(HINSTANCE instance);
// Stores appInstance, creates the window and keeps it hidden. 1 or 0.
int createMainWindow(HINSTANCE instance, int showCommand);
LRESULT CALLBACK mainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
