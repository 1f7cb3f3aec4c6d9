#include "hotsync_queue.h"

#include "file_compare.h"

namespace {

const char FALLBACK_DESKTOP_PATH[] = "\\pilot";
const char INSTALL_FOLDER_FORMAT[] = "%s\\%s\\install";
const int INSTALL_FOLDER_EXTRA = 9;  // the two separators and "install"
// Names beside the queued file while it is replaced. The HotSync Manager
// installs what ends in ".prc", ".pdb" or ".pqa"; neither these names nor
// their short 8.3 forms ("KELVPR~1.NEW") do.
const char STAGED_SUFFIX[] = ".new";
const char EARLIER_SUFFIX[] = ".old";
const int SUFFIX_LENGTH = 4;

// The text after the last backslash; the whole path when it has none.
// Stepped by character: a trail byte of a double-byte character may be 0x5C.
const char *baseNameOf(const char *path)
{
    const char *base = path;
    for (const char *at = path; *at; at = CharNextA(at)) {
        if (*at == '\\')
            base = at + 1;
    }
    return base;
}

// One plain folder name, so that the install folder lies inside the Palm
// Desktop folder. A damaged or cut users.dat yields records with an empty
// name or one that climbs out ("..", "a\\b", "C:x"); those are nobody's.
// Windows drops the dots and blanks at the end of a path's part, so a name
// ending in one ("...", "Ann.", "Ann ") names another folder than it seems.
bool isPlainFolderName(const char *name)
{
    if (*name == '\0')
        return false;
    const char *last = CharPrevA(name, name + lstrlenA(name));
    if (*last == '.' || *last == ' ')
        return false;
    for (const char *at = name; *at; at = CharNextA(at)) {
        if (*at == '\\' || *at == '/' || *at == ':')
            return false;
    }
    return true;
}

void joinName(char *name, const char *path, const char *suffix)
{
    lstrcpyA(name, path);
    lstrcatA(name, suffix);
}

// 1 when both files can be read and hold the same bytes.
int sameContents(const char *firstPath, const char *secondPath)
{
    HANDLE first = CreateFileA(firstPath, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                               NULL);
    if (first == INVALID_HANDLE_VALUE)
        return 0;
    HANDLE second = CreateFileA(secondPath, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                NULL);
    int same = second != INVALID_HANDLE_VALUE && filesHoldSameBytes(first, second);
    if (second != INVALID_HANDLE_VALUE)
        CloseHandle(second);
    CloseHandle(first);
    return same;
}

// Copies the payload under the staged name and reads both back. A copy
// that fails or differs (a full disk leaves a part of it) is deleted.
int stageCopy(const char *payloadPath, const char *staged)
{
    if (CopyFileA(payloadPath, staged, FALSE) && sameContents(payloadPath, staged))
        return 1;
    DeleteFileA(staged);
    return 0;
}

// Puts the staged copy in the destination's place. MoveFileExA cannot
// replace a file on Windows 95 to Me, so an earlier copy first steps aside
// under the earlier name, and comes back if the new one cannot take its
// place. Stopped between the two renames, the program leaves the earlier
// copy under the earlier name and the new one under the staged name, each
// whole, and the HotSync Manager installs neither; never a partial file
// under the destination's name. The next run replaces both.
int putInPlace(const char *staged, const char *earlier, const char *destination)
{
    DeleteFileA(earlier);  // left by a run that was stopped
    bool hadEarlier = MoveFileA(destination, earlier) != 0;
    if (hadEarlier || GetLastError() == ERROR_FILE_NOT_FOUND) {
        if (MoveFileA(staged, destination)) {
            if (hadEarlier)
                DeleteFileA(earlier);
            return 1;
        }
        if (hadEarlier)
            MoveFileA(earlier, destination);
    }
    DeleteFileA(staged);
    return 0;
}

} // namespace

int queueForHotSync(const char *payloadPath, const UserRecord *user)
{
    if (!isPlainFolderName(user->directory))
        return 0;

    char baseName[MAX_PATH];
    const char *base = baseNameOf(payloadPath);
    if (lstrlenA(base) >= MAX_PATH)
        return 0;
    lstrcpyA(baseName, base);

    char desktopPath[PALM_PATH_SIZE];
    if (!getPalmDesktopPath(desktopPath))
        lstrcpyA(desktopPath, FALLBACK_DESKTOP_PATH);

    // A path that does not fit is refused, never cut into another path.
    char installFolder[MAX_PATH];
    if (lstrlenA(desktopPath) + lstrlenA(user->directory) + INSTALL_FOLDER_EXTRA >= MAX_PATH)
        return 0;
    wsprintfA(installFolder, INSTALL_FOLDER_FORMAT, desktopPath, user->directory);
    if (!CreateDirectoryA(installFolder, NULL) && GetLastError() != ERROR_ALREADY_EXISTS)
        return 0;

    char destination[MAX_PATH];
    if (lstrlenA(installFolder) + 1 + lstrlenA(baseName) + SUFFIX_LENGTH >= MAX_PATH)
        return 0;
    lstrcpyA(destination, installFolder);
    lstrcatA(destination, "\\");
    lstrcatA(destination, baseName);
    char staged[MAX_PATH];
    joinName(staged, destination, STAGED_SUFFIX);
    char earlier[MAX_PATH];
    joinName(earlier, destination, EARLIER_SUFFIX);

    // An earlier copy and its flag stay as they were unless the new copy
    // is whole and in place.
    if (!stageCopy(payloadPath, staged) || !putInPlace(staged, earlier, destination))
        return 0;

    // Flagged only once the file is in place, so no user is ever flagged
    // for a file that is not there.
    return setHotSyncInstallFlag(user->slot) ? 1 : 0;
}
