// Starts one of the product's programs from the current directory.
#pragma once

#include <windows.h>

// Starts the file programFile of the current directory, by its full path,
// with commandLine as the new process's command line. A program of that
// name elsewhere on the search path (such as beside the running program)
// is never started instead. Does not wait; the handles are closed.
// Returns non-zero on success; on failure GetLastError tells why.
int startProgramFromCurrentDirectory(const char *programFile, char *commandLine);
