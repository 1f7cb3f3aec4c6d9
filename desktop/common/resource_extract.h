// Writes a resource that a program carries into a file, byte for byte.
#pragma once

#include <windows.h>

// Only the low 16 bits of id count. A missing resource creates no file; a
// file that cannot be created is left as it was. Nothing is reported.
void extractResourceToFile(HMODULE module, const char *type, int id, const char *fileName);
