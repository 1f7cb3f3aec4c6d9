#include "file_location.h"

#include "file_placement.h"
#include "system_function.h"

namespace {

const char GET_FINAL_PATH[] = "GetFinalPathNameByHandleA";

enum {
    // A full path with "\\?\" or "\\?\UNC\" in front.
    FINAL_PATH_SIZE = 2 * MAX_PATH,
    // A file may be opened whoever else has it open.
    ANY_SHARING = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
};

typedef DWORD(WINAPI *GetFinalPathFunction)(HANDLE file, LPSTR path, DWORD size, DWORD flags);

// Vista and later.
GetFinalPathFunction lookUpGetFinalPath()
{
    return reinterpret_cast<GetFinalPathFunction>(reinterpret_cast<void (*)()>(kernelFunction(GET_FINAL_PATH)));
}

// The path of what the name opens, links followed, or why not: 0, or
// ERROR_FILE_NOT_FOUND for a name that opens nothing (a link to nothing
// too), or another error, a path too long for the buffer among them. A
// folder opens only with FILE_FLAG_BACKUP_SEMANTICS.
DWORD finalPathOf(GetFinalPathFunction getFinalPath, const char *name, DWORD openFlags, char *finalPath)
{
    HANDLE file = CreateFileA(name, 0, ANY_SHARING, NULL, OPEN_EXISTING, openFlags, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError();
    DWORD length = getFinalPath(file, finalPath, FINAL_PATH_SIZE, 0);
    CloseHandle(file);
    return length != 0 && length < FINAL_PATH_SIZE ? 0 : ERROR_BUFFER_OVERFLOW;
}

} // namespace

int fileLiesElsewhere(const char *path)
{
    GetFinalPathFunction getFinalPath = lookUpGetFinalPath();
    if (!getFinalPath)
        return 0;
    char found[FINAL_PATH_SIZE];
    DWORD error = finalPathOf(getFinalPath, path, FILE_ATTRIBUTE_NORMAL, found);
    if (error == ERROR_FILE_NOT_FOUND)
        return 0;
    // The folder's own path, the same way written, with the name added is
    // where a file of this name in this folder lies.
    char folder[MAX_PATH];
    char expected[FINAL_PATH_SIZE];
    if (error != 0 || !folderOfPath(path, folder) ||
        finalPathOf(getFinalPath, folder, FILE_FLAG_BACKUP_SEMANTICS, expected) != 0)
        return 1;
    const char *name = baseNameOf(path);
    int length = lstrlenA(expected);
    // Only a drive's root ends in a backslash.
    bool needsSeparator = *CharPrevA(expected, expected + length) != '\\';
    if (length + needsSeparator + lstrlenA(name) >= FINAL_PATH_SIZE)
        return 1;
    if (needsSeparator)
        lstrcatA(expected, "\\");
    lstrcatA(expected, name);
    return lstrcmpiA(expected, found) != 0;
}
