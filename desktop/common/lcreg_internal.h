// What the files of the registry module share. Its operations are spread
// over several files so that each program imports only the registry
// functions that it calls: a program links only the files it calls into.
#pragma once

#include <windows.h>

// The module's name, as its trace hook reports it.
extern const char LCREG_TRACE_SOURCE[];
extern const char PRODUCT_KEY[];
extern const char INSTALLED_USER_VALUE[];

// Opens a Pilot Desktop subkey below the first root that has it. The key
// that opens first is the only one used, also when it lacks the value.
int openPilotDesktopKey(const char *subkey, HKEY *key);
