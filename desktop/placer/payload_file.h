// The handheld databases that the installer carries, written out for
// queueing: the application as "kelv.prc", then any further ones, each
// under its own name.
#pragma once

#include <windows.h>

#include "resource.h"

// The carried databases as written out: where each lies, and the handle
// that holds it (INVALID_HANDLE_VALUE when it could not be written).
struct CarriedDatabases {
    char paths[MAX_DATABASES][MAX_PATH];
    HANDLE held[MAX_DATABASES];
};

// Writes the carried application into the temporary folder, else into the
// current folder (no temporary folder, or one that takes no file whole),
// and holds it: until the handle is closed anybody may read the file but
// nobody can change, rename or delete it. Once held it was read back and
// holds exactly the carried bytes, so another user of a shared temporary
// folder cannot swap it. `path` (MAX_PATH bytes) receives where it is.
// INVALID_HANDLE_VALUE, with nothing of it left, when no place took it.
HANDLE writeCarriedPayload(char *path);

// Writes and holds every database the installer carries (at most
// MAX_DATABASES), each as writeCarriedPayload does, and returns how many
// it carries. 1 when it carries the application alone.
int writeCarriedDatabases(CarriedDatabases *databases);
