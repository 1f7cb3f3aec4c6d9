#include "name_removal.h"

#include "file_placement.h"

namespace {

const char REMOVAL_PREFIX[] = "del";
// Whoever else opens the empty file while it is held must let it be
// deleted.
const DWORD ANY_SHARING = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

} // namespace

int removeOwnName(const char *path)
{
    // Deleting by the name would delete what a link under it points to
    // (Wine follows Unix links so), so an empty file of our own takes the
    // name first, and that is deleted. It is held open for deleting from
    // the moment it is made, so nobody (a virus scanner) can open it in a
    // way that keeps the delete from happening: a name such as "kelv.prc"
    // is never left holding an empty file that the HotSync Manager would
    // carry.
    char folder[MAX_PATH];
    char empty[MAX_PATH];
    if (!folderOfPath(path, folder))
        return 0;
    HANDLE held = createNewUniqueFile(folder, REMOVAL_PREFIX, empty, DELETE, ANY_SHARING);
    if (held == INVALID_HANDLE_VALUE) {
        // Windows 95 to Me refuse that sharing: there the file is closed
        // before it moves.
        HANDLE file = createNewUniqueFile(folder, REMOVAL_PREFIX, empty);
        if (file == INVALID_HANDLE_VALUE)
            return 0;
        CloseHandle(file);
    }
    int moved = moveOverName(empty, path);
    // Windows does not replace a read-only file.
    if (!moved && GetLastError() == ERROR_ACCESS_DENIED && SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL))
        moved = moveOverName(empty, path);
    int removed = moved && DeleteFileA(path);
    // A delete that fails all the same takes the empty file back to its
    // own name, which nothing installs, and tries once more there.
    if (!moved || (!removed && moveName(path, empty, 0)))
        DeleteFileA(empty);
    if (held != INVALID_HANDLE_VALUE)
        CloseHandle(held);
    return removed;
}
