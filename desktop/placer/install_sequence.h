// The installer's work: licence agreement, users, payload, choice of the
// user, HotSync queueing, report and clean-up. Runs once per process.
#pragma once

#include <windows.h>

void runInstallSequence(HWND mainWindow);
