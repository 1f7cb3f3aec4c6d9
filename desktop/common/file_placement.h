// Files under the fixed names the setup writes ("placer.exe", "kelv.prc",
// ...). Whatever stands under such a name may be somebody else's: a link
// to another file, planted so that a write by that name lands in it. So
// the bytes always go into a new file of a name nobody had, which then
// takes the fixed name; the file under the old name is never opened.
#pragma once

#include <windows.h>

// The folder part of a path, without the last separator ("." for a bare
// name), into folder (MAX_PATH bytes). 0 when it does not fit.
int folderOfPath(const char *path, char *folder);

// The text after the last backslash of a path; the whole path when it has
// none.
const char *baseNameOf(const char *path);

// Creates a new, empty file "<prefix>XXXX.tmp" in the folder under a name
// that nothing stood under (not even a link), open with that access and
// sharing (by default for reading and writing, with no sharing). `path`
// (MAX_PATH bytes) receives its name. INVALID_HANDLE_VALUE, with
// GetLastError telling why, when none was made.
HANDLE createNewUniqueFile(const char *folder, const char *prefix, char *path,
                           DWORD access = GENERIC_READ | GENERIC_WRITE, DWORD sharing = 0);

// Gives the file `source` the name `target`, in its place of whatever was
// there: the name is replaced, never a file that a link under it points
// to. A name held open by another program, or read-only, is not replaced.
// 1, or 0 with GetLastError telling why.
int moveOverName(const char *source, const char *target);

// Renames `source` to `target` with MoveFileExA's flags where Windows has
// it: MOVEFILE_REPLACE_EXISTING as in moveOverName, MOVEFILE_WRITE_THROUGH
// to return only once the new name is on the disk. Windows 95 to Me take
// neither and rename as they can. 1, or 0 with GetLastError telling why.
int moveName(const char *source, const char *target, DWORD flags);
