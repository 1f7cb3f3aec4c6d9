// Writes the fields of the start log (see start_log.h) that the stand-in
// programs leave for the tests: "<name> <length>:<value>\n", in the
// programs' own current directory. Uses nothing but Win32, so that the
// stand-ins need no test library.
#pragma once

#include <windows.h>

// Opens the log for appending; INVALID_HANDLE_VALUE when it cannot.
HANDLE openStartLog(const char *fileName);
void appendStartLogField(HANDLE log, const char *name, const char *value);
