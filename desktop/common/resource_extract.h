// Writes a resource that a program carries into a file, byte for byte.
#pragma once

#include <windows.h>

// Only the low 16 bits of id count. A missing resource creates no file; a
// file that cannot be created is left as it was; a file that did not take
// every byte (a full disk) is deleted, so no cut-off copy is ever left.
// Nothing is shown. 1 when the file now holds the whole resource; 0
// otherwise, with GetLastError telling why.
int extractResourceToFile(HMODULE module, const char *type, int id, const char *fileName);

// The same, but the file stays open for reading from its start, with no
// sharing: until the handle is closed nobody else can open, change, rename
// or delete it, so what is read back is what was written.
// INVALID_HANDLE_VALUE, and no file of it left, when it was not written
// whole.
HANDLE extractResourceToHeldFile(HMODULE module, const char *type, int id, const char *fileName);
