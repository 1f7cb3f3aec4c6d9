// The installer's module instance, for its templates and carried resources.
#pragma once

#include <windows.h>

// Set once, just before the main window is created.
extern HINSTANCE appInstance;
