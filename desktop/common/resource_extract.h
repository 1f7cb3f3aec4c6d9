// Writes a resource that a program carries into a file, byte for byte.
#pragma once

#include <windows.h>

// Only the low 16 bits of id count. A missing resource creates no file; a
// file that cannot be created is left as it was. Nothing is shown; 1 when
// the file now holds the whole resource, 0 otherwise.
int extractResourceToFile(HMODULE module, const char *type, int id, const char *fileName);
