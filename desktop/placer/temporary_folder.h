// The temporary folder, as far as an ANSI program can name it.
#pragma once

#include <windows.h>

// Fills `folder` (of `size` bytes) with the temporary folder's path, ending
// in a backslash, and returns its length. 0 when Windows names none that
// fits, or names it with a '?' for a letter that the code page cannot
// hold (below a Greek or Cyrillic account on a Western PC): such a path
// names no folder, and the caller goes to its fallback.
DWORD usableTempPath(char *folder, DWORD size);
