// Writes a resource that a program carries into a file, byte for byte.
#pragma once

#include <windows.h>

// Only the low 16 bits of id count. The bytes go into a new file of a name
// nobody had beside fileName, which then takes fileName's place: whatever
// stood there (an earlier file, or a link to somebody else's) is replaced
// as a name, never written through. A missing resource creates no file; a
// name that cannot be replaced (held open, read-only) is left as it was;
// a write that did not take every byte (a full disk) leaves nothing. 1
// when fileName now holds the whole resource; 0 otherwise, with
// GetLastError telling why.
int extractResourceToFile(HMODULE module, const char *type, int id, const char *fileName);

// Writes the resource into a new file "<prefix>XXXX.tmp" of a name nobody
// had in the folder and keeps it open for reading from its start, with no
// sharing: until the handle is closed nobody else can open, change, rename
// or delete it. `path` (MAX_PATH bytes) receives its name.
// INVALID_HANDLE_VALUE, and no file of it left, when it was not written
// whole.
HANDLE extractResourceToNewFile(HMODULE module, const char *type, int id, const char *folder, const char *prefix,
                                char *path);

// The same, but fileName stays open for reading from its start, sharing
// reading only: until the handle is closed nobody can change, rename or
// delete it. It was opened after it took its name and checked to hold
// exactly the resource's bytes, since in a folder that others may write it
// could have been swapped in between. INVALID_HANDLE_VALUE otherwise (with
// ERROR_INVALID_DATA when it held other bytes; that file is left alone).
HANDLE extractResourceToHeldFile(HMODULE module, const char *type, int id, const char *fileName);
