// Functions of KERNEL32 that only some Windows versions have. They are
// looked up when needed, never imported: an import of one would keep the
// programs from starting on every Windows that lacks it.
#pragma once

#include <windows.h>

// The function of that name in KERNEL32; NULL where this Windows lacks it.
FARPROC kernelFunction(const char *name);
