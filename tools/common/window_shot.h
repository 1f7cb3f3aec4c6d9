// Screenshots of a window of any process, as the screen shows it.
#pragma once

#include <windows.h>

#include <string>

// Saves the window's rectangle of the screen as a PNG file, once the
// window is painted and its picture holds still (bounded by timeoutMs).
// False when nothing but one flat colour could be seen or the file could
// not be written.
bool saveWindowPng(HWND window, const std::string &path, DWORD timeoutMs = 5000);
