#include "name_removal.h"

#include "file_placement.h"

namespace {

const char REMOVAL_PREFIX[] = "del";

} // namespace

int removeOwnName(const char *path)
{
    // Deleting by the name would delete what a link under it points to
    // (Wine follows Unix links so), so an empty file of our own takes the
    // name first, and that is deleted.
    char folder[MAX_PATH];
    char empty[MAX_PATH];
    if (!folderOfPath(path, folder))
        return 0;
    HANDLE file = createNewUniqueFile(folder, REMOVAL_PREFIX, empty);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    CloseHandle(file);
    int moved = moveOverName(empty, path);
    // Windows does not replace a read-only file.
    if (!moved && GetLastError() == ERROR_ACCESS_DENIED && SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL))
        moved = moveOverName(empty, path);
    if (!moved) {
        DeleteFileA(empty);
        return 0;
    }
    return DeleteFileA(path) ? 1 : 0;
}
