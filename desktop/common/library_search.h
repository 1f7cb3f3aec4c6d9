// Where the programs take their DLLs from. They run from whatever folder
// the person saved the setup to, which may hold anybody's files, and
// Windows looks for a DLL named without a path in the program's own folder
// first: a planted copy there would run with the person's rights.
#pragma once

#include <windows.h>

// Called first by every program: DLLs named without a path come from the
// system folder only (SetDefaultDllDirectories where Windows has it, else
// preloadSystemLibraries).
void restrictLibrarySearch();

// Loads, each by its full path in the system folder, the libraries that the
// system's own libraries load by bare name on some Windows versions, so that
// the loader later finds them already loaded. One that this Windows lacks
// is passed over.
void preloadSystemLibraries();

// Loads a library by its full path in the system folder; NULL when it
// cannot be loaded.
HMODULE loadSystemLibrary(const char *fileName);
