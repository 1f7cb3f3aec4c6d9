// Removing a name that the setup itself makes, in a folder that others may
// write too.
#pragma once

// Removes the name, also when the file under it is read-only; what a link
// under it points to keeps its bytes and its name. 1 when the name is gone
// (or was never there). 0 when it could not be removed: the name then
// holds what it held before, or nothing at all, never an empty file.
int removeOwnName(const char *path);
