#include "file_placement.h"

#include "system_function.h"

namespace {

const char MOVE_FILE_EX[] = "MoveFileExA";
// Names are tried from a point that differs from run to run, so that
// names somebody made ready beforehand cost a retry, not the install.
const int UNIQUE_NAME_TRIES = 64;
const UINT UNIQUE_NUMBERS = 0xFFFF;

typedef BOOL(WINAPI *MoveFileExFunction)(LPCSTR existing, LPCSTR replacement, DWORD flags);

// Only the NT family can replace a name in one step. Windows 95 to Me
// lack it or answer that it is not there.
MoveFileExFunction lookUpMoveFileEx()
{
    return reinterpret_cast<MoveFileExFunction>(reinterpret_cast<void (*)()>(kernelFunction(MOVE_FILE_EX)));
}

bool nameTaken(DWORD error)
{
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
}

} // namespace

int folderOfPath(const char *path, char *folder)
{
    // Stepped by character: a trail byte of a double-byte character may be 0x5C.
    const char *lastSeparator = NULL;
    for (const char *at = path; *at; at = CharNextA(at)) {
        if (*at == '\\')
            lastSeparator = at;
    }
    if (!lastSeparator) {
        lstrcpyA(folder, ".");
        return 1;
    }
    int length = static_cast<int>(lastSeparator - path);
    if (length == 0 || path[length - 1] == ':')
        ++length;  // the root keeps its backslash
    if (length >= MAX_PATH)
        return 0;
    lstrcpynA(folder, path, length + 1);
    return 1;
}

const char *baseNameOf(const char *path)
{
    // Stepped by character: a trail byte of a double-byte character may be 0x5C.
    const char *base = path;
    for (const char *at = path; *at; at = CharNextA(at)) {
        if (*at == '\\')
            base = at + 1;
    }
    return base;
}

HANDLE createNewUniqueFile(const char *folder, const char *prefix, char *path, DWORD access, DWORD sharing)
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    UINT number = now.dwLowDateTime >> 16;
    for (int tries = 0; tries < UNIQUE_NAME_TRIES; ++tries, ++number) {
        // With 0 GetTempFileNameA would make a file itself, by another way.
        UINT unique = number % UNIQUE_NUMBERS + 1;
        if (!GetTempFileNameA(folder, prefix, unique, path))
            return INVALID_HANDLE_VALUE;
        // CREATE_NEW fails on anything under the name, a link included.
        HANDLE file = CreateFileA(path, access, sharing, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
        if (file != INVALID_HANDLE_VALUE || !nameTaken(GetLastError()))
            return file;
    }
    return INVALID_HANDLE_VALUE;
}

int moveName(const char *source, const char *target, DWORD flags)
{
    MoveFileExFunction moveFileEx = lookUpMoveFileEx();
    if (moveFileEx) {
        if (moveFileEx(source, target, flags))
            return 1;
        if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED)
            return 0;
    }
    // Windows 95 to Me: their file systems have no links, so the old file
    // itself may go first.
    if ((flags & MOVEFILE_REPLACE_EXISTING) && !DeleteFileA(target) && GetLastError() != ERROR_FILE_NOT_FOUND)
        return 0;
    return MoveFileA(source, target) ? 1 : 0;
}

int moveOverName(const char *source, const char *target)
{
    return moveName(source, target, MOVEFILE_REPLACE_EXISTING);
}
