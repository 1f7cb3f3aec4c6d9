// The handheld application that the installer carries, written out as
// "kelv.prc" for queueing.
#pragma once

#include <windows.h>

// Writes the carried application into the temporary folder, else into the
// current folder (no temporary folder, or one that takes no file whole),
// and holds it: until the handle is closed anybody may read the file but
// nobody can change, rename or delete it. Once held it was read back and
// holds exactly the carried bytes, so another user of a shared temporary
// folder cannot swap it. `path` (MAX_PATH bytes) receives where it is.
// INVALID_HANDLE_VALUE, with nothing of it left, when no place took it.
HANDLE writeCarriedPayload(char *path);
