// Starts one of the product's programs from the current directory.
#pragma once

#include <windows.h>

// Starts the program `relativeName` (".\name.exe"), with commandLine as the
// new process's command line. Windows completes such a name from the
// current directory itself, in Unicode, and never along the search path:
// a program of that name elsewhere (such as beside the running program)
// is never started instead, and a folder whose ANSI name has a '?' for a
// letter that the code page lacks still works. The new process inherits
// this one's inheritable handles only when inheritHandles is TRUE. Does
// not wait; the handles are closed. Returns non-zero on success; on
// failure GetLastError tells why.
int startProgramFromCurrentDirectory(const char *relativeName, char *commandLine, BOOL inheritHandles = FALSE);
